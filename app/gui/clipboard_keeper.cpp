#include "app/gui/clipboard_keeper.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <QClipboard>
#include <QGuiApplication>
#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/gui/display_platform.h"
#include "app/gui/text_convert.h"

extern char** environ;

namespace pindle {
namespace {

constexpr int kReadyWaitMs = 5000;

std::string ReadAll(int fd) {
  std::string text;
  char buffer[65536];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n > 0) {
      text.append(buffer, static_cast<size_t>(n));
    } else if (n == 0 || errno != EINTR) {
      return text;
    }
  }
}

bool WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// Where a clipboard manager runs (it owns the selection CLIPBOARD_MANAGER), the toolkit's
// orderly shutdown asks it to save the clipboard (SAVE_TARGETS), so no keeper has to stay.
bool ClipboardManagerRuns() {
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  if (x11 == nullptr || x11->connection() == nullptr) return false;
  xcb_connection_t* connection = x11->connection();
  const char name[] = "CLIPBOARD_MANAGER";
  xcb_intern_atom_reply_t* atom =
      xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 1, sizeof name - 1, name), nullptr);
  if (atom == nullptr) return false;
  const xcb_atom_t managerAtom = atom->atom;
  std::free(atom);
  if (managerAtom == XCB_ATOM_NONE) return false;
  xcb_get_selection_owner_reply_t* owner =
      xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, managerAtom), nullptr);
  if (owner == nullptr) return false;
  const bool runs = owner->owner != XCB_NONE;
  std::free(owner);
  return runs;
}

}  // namespace

int RunClipboardKeeper(int argc, char** argv) {
  // Whatever the starting program left open (its connections, its display) is not ours to hold.
  closefrom(STDERR_FILENO + 1);
  const std::string text = ReadAll(STDIN_FILENO);
  signal(SIGHUP, SIG_IGN);
  // Only the program's name goes on: the hidden word is not the toolkit's.
  DisplayApplication display = StartOnDisplay(DisplayUse::Clipboard, argc > 0 ? 1 : 0, argv);
  if (!display.application) return 1;
  QClipboard* clipboard = QGuiApplication::clipboard();
  clipboard->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
  if (!clipboard->ownsClipboard()) return 1;
  WriteAll(STDOUT_FILENO, "1");
  const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (null >= 0) {
    dup2(null, STDOUT_FILENO);
    close(null);
  }
  // Returning runs the toolkit's shutdown, which is what hands the content to the manager.
  if (ClipboardManagerRuns()) return 0;
  QObject::connect(clipboard, &QClipboard::changed, qGuiApp, [clipboard](QClipboard::Mode mode) {
    if (mode == QClipboard::Clipboard && !clipboard->ownsClipboard()) QCoreApplication::quit();
  });
  return QGuiApplication::exec();
}

bool StartClipboardKeeper(const Text& text) {
  int input[2], ready[2];
  if (pipe2(input, O_CLOEXEC) != 0) return false;
  if (pipe2(ready, O_CLOEXEC) != 0) {
    close(input[0]);
    close(input[1]);
    return false;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, ready[1], STDOUT_FILENO);
  // Whoever waits for our output (a pipe, a test) must not wait for the keeper as well.
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  // Its own session: closing the terminal or the window's process group leaves it alone.
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
  std::string program = "/proc/self/exe";
  std::string word = kClipboardKeeperArgument;
  char* arguments[] = {program.data(), word.data(), nullptr};
  pid_t pid = 0;
  const bool started = posix_spawn(&pid, program.c_str(), &actions, &attributes, arguments, environ) == 0;
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  close(input[0]);
  close(ready[1]);
  bool owned = false;
  if (started) {
    const auto oldPipe = signal(SIGPIPE, SIG_IGN);
    WriteAll(input[1], text);
    close(input[1]);
    pollfd wait{ready[0], POLLIN, 0};
    char byte = 0;
    owned = poll(&wait, 1, kReadyWaitMs) == 1 && read(ready[0], &byte, 1) == 1;
    signal(SIGPIPE, oldPipe);
    // The keeper lives on; it is reaped by init when it ends after we are gone.
  } else {
    close(input[1]);
  }
  close(ready[0]);
  return owned;
}

void HandOverClipboard() {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (clipboard == nullptr || !clipboard->ownsClipboard()) return;
  const QString text = clipboard->text();
  if (text.isEmpty()) return;
  StartClipboardKeeper(FromQt(text));
}

}  // namespace pindle
