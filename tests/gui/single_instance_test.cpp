#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QClipboard>
#include <QGuiApplication>
#include <cstring>

#include "app/gui/actions/program_actions.h"
#include "app/gui/desktop_integration.h"
#include "app/instance_channel.h"
#include "config/app_paths.h"
#include "tests/gui/desktop_program.h"
#include "tests/gui/gui_test_support.h"
#include "tests/support/process.h"

namespace pindle::test {
namespace {

// A socket file as a killed window leaves it: bound, never listened on, never removed.
void LeaveStaleSocket(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  unlink(path.c_str());
  ASSERT_EQ(bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  close(fd);
}

std::map<std::string, std::string> LaterStartEnvironment(const std::string& home) {
  std::map<std::string, std::string> env{{"PATH", "/usr/bin:/bin"}, {"HOME", home}, {"QT_QPA_PLATFORM", "offscreen"}};
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR")) env["XDG_RUNTIME_DIR"] = runtime;
  return env;
}

// A later start on the same settings hands its addresses to the running window (over the socket
// a killed window left behind) and ends with 0; `shorten --clipboard` hands its pass over too.
TEST(SingleInstance, LaterStartsHandTheirWorkToTheRunningWindow) {
  ProgramActions actions;
  WindowFixture f(actions);
  DesktopProgram program(f.dir().path());
  const Text socket = InstanceSocketPath(Paths().settingsFile);
  LeaveStaleSocket(socket);
  EXPECT_FALSE(AskRunningWindow(socket, {{"request", "ping"}}, 1000)) << "a stale socket answers nobody";
  DesktopIntegration desktop(f.window(), f.ui(), socket, actions.workers());
  const auto env = LaterStartEnvironment(f.dir().path());

  ProcessResult second;
  ASSERT_TRUE(RunOnWorker([&] { second = RunProcess(program.command({"https://127.0.0.1:9/handed"}), env); }));
  EXPECT_EQ(second.exitCode, 0) << second.err;
  EXPECT_EQ(f.ui().longUrlBox().text(), "https://127.0.0.1:9/handed");

  QGuiApplication::clipboard()->setText(QString::fromUtf8(kLongAddress));
  ProcessResult pass;
  ASSERT_TRUE(RunOnWorker([&] { pass = RunProcess(program.command({"shorten", "--clipboard"}), env); }));
  EXPECT_EQ(pass.exitCode, 0) << pass.err;
  EXPECT_EQ(pass.out, program.service().shortFor(1) + "\n");
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), program.service().shortFor(1));

  QGuiApplication::clipboard()->setText(QStringLiteral("not an address"));
  ASSERT_TRUE(RunOnWorker([&] { pass = RunProcess(program.command({"shorten", "--clipboard"}), env); }));
  EXPECT_EQ(pass.exitCode, 1);
  EXPECT_EQ(pass.err, "剪贴板上不是一个 http(s) 网址：not an address\n");
}

TEST(SingleInstance, ArgumentsForTheRunningWindowNameFilesAbsolutely) {
  TempDir dir;
  dir.write("urls.txt", "https://a.example/\n");
  const auto here = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  const auto got = ArgumentsForRunningWindow({"urls.txt", "https://b.example/", "-platform", "missing.txt"});
  std::filesystem::current_path(here);
  EXPECT_EQ(got, (std::vector<Text>{dir.file("urls.txt"), "https://b.example/", "-platform", "missing.txt"}));
}

}  // namespace
}  // namespace pindle::test
