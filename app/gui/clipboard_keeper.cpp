#include "app/gui/clipboard_keeper.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <QAbstractNativeEventFilter>
#include <QClipboard>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QTimer>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "app/gui/display_platform.h"
#include "app/gui/text_convert.h"
#include "app/gui/wayland_clipboard.h"

extern char** environ;

namespace pindle {
namespace {

constexpr int kReadyWaitMs = 5000;
// The keeper's first byte: it serves the clipboard itself and stays, or it handed the text to a
// wl-copy and ends now.
constexpr char kServing = '1';
constexpr char kHandedOn = 'w';

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

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
      connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
  if (reply == nullptr) return XCB_ATOM_NONE;
  const xcb_atom_t atom = reply->atom;
  std::free(reply);
  return atom;
}

xcb_connection_t* X11Connection() {
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  return x11 ? x11->connection() : nullptr;
}

xcb_window_t SelectionOwner(xcb_connection_t* connection, xcb_atom_t selection) {
  xcb_get_selection_owner_reply_t* owner =
      xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection), nullptr);
  if (owner == nullptr) return XCB_NONE;
  const xcb_window_t window = owner->owner;
  std::free(owner);
  return window;
}

// Waits for the answer to our SAVE_TARGETS request while the event loop goes on serving the
// manager's requests for the content.
class SaveAnswerFilter : public QAbstractNativeEventFilter {
 public:
  explicit SaveAnswerFilter(xcb_window_t window) : window_(window) {}
  bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
    if (type != "xcb_generic_event_t") return false;
    const auto* event = static_cast<xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7F) != XCB_SELECTION_NOTIFY) return false;
    if (reinterpret_cast<const xcb_selection_notify_event_t*>(event)->requestor != window_) return false;
    answered = true;
    return true;
  }
  bool answered = false;

 private:
  xcb_window_t window_;
};

void SpinFor(const std::function<bool()>& done, int ms) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

// Where a clipboard manager runs (it owns the selection CLIPBOARD_MANAGER), asks it to save the
// clipboard (SAVE_TARGETS), lets go of the clipboard and checks that the manager serves the
// same text afterwards. A manager that answers without keeping the content is not trusted:
// false, and the clipboard is ours again.
bool HandedToClipboardManager(QClipboard* clipboard, const QString& text) {
  xcb_connection_t* connection = X11Connection();
  if (connection == nullptr) return false;
  const xcb_atom_t manager = Atom(connection, "CLIPBOARD_MANAGER");
  if (manager == XCB_ATOM_NONE || SelectionOwner(connection, manager) == XCB_NONE) return false;
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
  const xcb_window_t window = xcb_generate_id(connection);
  xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                    screen->root_visual, 0, nullptr);
  SaveAnswerFilter filter(window);
  qGuiApp->installNativeEventFilter(&filter);
  xcb_convert_selection(connection, window, manager, Atom(connection, "SAVE_TARGETS"),
                        Atom(connection, "PINDLE_SAVE_TARGETS"), XCB_CURRENT_TIME);
  xcb_flush(connection);
  SpinFor([&] { return filter.answered; }, 3000);
  qGuiApp->removeNativeEventFilter(&filter);
  xcb_destroy_window(connection, window);
  xcb_flush(connection);
  if (!filter.answered) return false;
  // Another program took the clipboard while the manager answered: nothing of ours is left to
  // keep, and letting go now could clear what that program put there.
  QCoreApplication::processEvents();
  if (!clipboard->ownsClipboard()) return true;
  // Managers take the clipboard once its owner has let go of it.
  clipboard->clear();
  const xcb_atom_t selection = Atom(connection, "CLIPBOARD");
  SpinFor([&] { return SelectionOwner(connection, selection) != XCB_NONE; }, 300);
  if (SelectionOwner(connection, selection) != XCB_NONE && !clipboard->ownsClipboard()) {
    // Another owner: the manager with our text, or a program that took the clipboard meanwhile,
    // whose content is not ours to keep.
    return true;
  }
  clipboard->setText(text);
  return false;
}

}  // namespace

int RunClipboardKeeper(int argc, char** argv) {
  // Whatever the starting program left open (its connections, its display) is not ours to hold.
  closefrom(STDERR_FILENO + 1);
  const std::string text = ReadAll(STDIN_FILENO);
  signal(SIGHUP, SIG_IGN);
  if (DataControlClipboardUsable()) {
    Text problem;
    if (!KeepThroughDataControl(text, problem)) return 1;
    WriteAll(STDOUT_FILENO, std::string(1, kHandedOn));
    return 0;
  }
  // A Wayland compositor without data-control keeps the clipboard itself; the X bridge of such
  // a session takes ownership from a background X client without passing it on.
  if (InWaylandSession()) return 1;
  // Only the program's name goes on: the hidden word is not the toolkit's.
  DisplayApplication display = StartOnDisplay(DisplayUse::Clipboard, argc > 0 ? 1 : 0, argv);
  if (!display.application) return 1;
  QClipboard* clipboard = QGuiApplication::clipboard();
  const QString content = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  clipboard->setText(content);
  if (!clipboard->ownsClipboard()) return 1;
  WriteAll(STDOUT_FILENO, std::string(1, kServing));
  const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (null >= 0) {
    dup2(null, STDOUT_FILENO);
    close(null);
  }
  if (HandedToClipboardManager(clipboard, content)) return 0;
  QObject::connect(clipboard, &QClipboard::changed, qGuiApp, [clipboard](QClipboard::Mode mode) {
    if (mode == QClipboard::Clipboard && !clipboard->ownsClipboard()) QCoreApplication::quit();
  });
  // Taken while the manager was asked, before anyone listened for it.
  QCoreApplication::processEvents();
  if (!clipboard->ownsClipboard()) return 0;
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
    // A keeper that handed on ends now, or could not start serving: reap it. One that serves
    // lives on and is reaped by init when it ends after we are gone.
    if (!owned || byte == kHandedOn) {
      if (!owned) kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
  } else {
    close(input[1]);
  }
  close(ready[0]);
  return owned;
}

void HandOverClipboard() {
  // A Wayland compositor without data-control keeps what a program leaves on the clipboard.
  if (InWaylandSession() && !DataControlClipboardUsable()) return;
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (clipboard == nullptr || !clipboard->ownsClipboard()) return;
  const QString text = clipboard->text();
  if (text.isEmpty()) return;
  StartClipboardKeeper(FromQt(text));
}

}  // namespace pindle
