#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <string>

namespace pindle {

std::optional<Bytes> ReadWholeFile(const Text& path, size_t limit) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || static_cast<unsigned long long>(st.st_size) > limit) {
    ::close(fd);
    return std::nullopt;
  }
  Bytes content;
  content.reserve(static_cast<size_t>(st.st_size));
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ::close(fd);
      return std::nullopt;
    }
    if (n == 0) break;
    if (content.size() + static_cast<size_t>(n) > limit) {
      ::close(fd);
      return std::nullopt;
    }
    content.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  return content;
}

bool WriteFileAtomically(const Text& path, std::string_view content) {
  static std::atomic<unsigned> counter{0};
  const Text temp = path + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  size_t done = 0;
  bool ok = true;
  while (done < content.size()) {
    const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = false;
      break;
    }
    done += static_cast<size_t>(n);
  }
  if (ok && ::fsync(fd) != 0) ok = false;
  if (::close(fd) != 0) ok = false;
  if (ok && ::rename(temp.c_str(), path.c_str()) != 0) ok = false;
  if (!ok) {
    ::unlink(temp.c_str());
    return false;
  }
  // Make the rename itself durable.
  const auto slash = path.rfind('/');
  const Text dir = slash == Text::npos ? Text(".") : (slash == 0 ? Text("/") : path.substr(0, slash));
  const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
  return true;
}

bool FileExists(const Text& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(const Text& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool RemoveFile(const Text& path) { return ::unlink(path.c_str()) == 0; }

bool MakeDirectories(const Text& path) {
  if (path.empty()) return false;
  Text partial;
  size_t pos = 0;
  while (pos <= path.size()) {
    const size_t next = path.find('/', pos);
    partial = path.substr(0, next == Text::npos ? path.size() : next);
    if (!partial.empty() && !DirectoryExists(partial)) {
      if (::mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST) return false;
    }
    if (next == Text::npos) break;
    pos = next + 1;
  }
  return DirectoryExists(path);
}

std::vector<Text> ListFileNames(const Text& dir, std::string_view suffix) {
  std::vector<Text> names;
  DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
  if (d == nullptr) return names;
  while (const dirent* e = ::readdir(d)) {
    const std::string_view name(e->d_name);
    if (name.size() < suffix.size()) continue;
    bool match = true;
    for (size_t i = 0; i < suffix.size(); ++i) {
      char a = name[name.size() - suffix.size() + i];
      char b = suffix[i];
      if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
      if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
      if (a != b) {
        match = false;
        break;
      }
    }
    if (!match) continue;
    Text full = dir;
    if (!full.empty() && full.back() != '/') full.push_back('/');
    full.append(name);
    if (!FileExists(full)) continue;
    names.emplace_back(name);
  }
  ::closedir(d);
  return names;
}

Text ProgramDirectory() {
  char buffer[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return ".";
  Text path(buffer, static_cast<size_t>(n));
  const auto slash = path.rfind('/');
  if (slash == Text::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace pindle
