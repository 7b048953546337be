#include "app/instance_channel.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "config/app_paths.h"
#include "platform/files.h"

namespace pindle {
namespace {

// FNV-1a: the same name for the same file in every build, unlike std::hash.
std::uint64_t Fnv1a(const Text& text) {
  std::uint64_t hash = 1469598103934665603ULL;
  for (const unsigned char c : text) {
    hash ^= c;
    hash *= 1099511628211ULL;
  }
  return hash;
}

Text OwnFolder() {
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && runtime[0] == '/') return runtime;
  const Text folder = "/tmp/pindle-" + std::to_string(getuid());
  mkdir(folder.c_str(), 0700);
  struct stat info {};
  // Another user's folder of that name must not take our socket.
  if (lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != getuid()) return {};
  return folder;
}

bool SendAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

Text InstanceSocketPath(const Text& settingsFile) {
  const Text folder = OwnFolder();
  if (folder.empty()) return {};
  std::error_code ignored;
  const Text absolute = std::filesystem::weakly_canonical(std::filesystem::absolute(settingsFile, ignored), ignored);
  char name[40];
  std::snprintf(name, sizeof name, "/pindle-%016llx.socket",
                static_cast<unsigned long long>(Fnv1a(absolute.empty() ? settingsFile : absolute)));
  return folder + name;
}

std::optional<nlohmann::json> AskRunningWindow(const Text& socketPath, const nlohmann::json& request, int timeoutMs) {
  sockaddr_un address{};
  if (socketPath.empty() || socketPath.size() >= sizeof address.sun_path) return std::nullopt;
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return std::nullopt;
  // A socket file left by a killed window refuses the connection: nobody runs.
  if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      !SendAll(fd, request.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n")) {
    close(fd);
    return std::nullopt;
  }
  std::string answer;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (answer.find('\n') == std::string::npos) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
    pollfd wait{fd, POLLIN, 0};
    if (left <= 0 || poll(&wait, 1, static_cast<int>(left)) <= 0) break;
    char buffer[4096];
    const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    answer.append(buffer, static_cast<size_t>(n));
  }
  close(fd);
  const size_t end = answer.find('\n');
  if (end == std::string::npos) return std::nullopt;
  nlohmann::json parsed = nlohmann::json::parse(answer.substr(0, end), nullptr, false);
  if (!parsed.is_object()) return std::nullopt;
  return parsed;
}

bool OpenInRunningWindow(const Text& socketPath, const std::vector<Text>& arguments) {
  // The launcher's token lets the running window come to the front on Wayland.
  const char* token = std::getenv("XDG_ACTIVATION_TOKEN");
  const auto answer = AskRunningWindow(
      socketPath,
      {{"request", "open"}, {"arguments", ArgumentsForRunningWindow(arguments)}, {"activation", token ? token : ""}},
      5000);
  return answer && answer->value("ok", false);
}

std::optional<ClipboardShortening> HandClipboardPassToWindow(const Text& plugin) {
  // The window's pass includes a request to the service, which has time-outs of its own.
  constexpr int kPassWaitMs = 10 * 60 * 1000;
  const auto answer = AskRunningWindow(InstanceSocketPath(Paths().settingsFile),
                                       {{"request", "shorten-clipboard"}, {"plugin", plugin}}, kPassWaitMs);
  if (!answer) return std::nullopt;
  ClipboardShortening pass;
  pass.ok = answer->value("ok", false);
  pass.link = answer->value("link", "");
  pass.longUrl = answer->value("longUrl", "");
  pass.problem = answer->value("problem", "");
  if (!pass.ok && pass.problem.empty()) pass.problem = "窗口没能缩短剪贴板上的网址";
  return pass;
}

std::vector<Text> ArgumentsForRunningWindow(const std::vector<Text>& arguments) {
  std::vector<Text> out;
  std::error_code ignored;
  const Text here = std::filesystem::current_path(ignored).string();
  for (const Text& argument : arguments) {
    const bool relativeFile = !argument.empty() && argument[0] != '/' && argument[0] != '-' && FileExists(argument);
    out.push_back(relativeFile && !here.empty() ? here + "/" + argument : argument);
  }
  return out;
}

}  // namespace pindle
