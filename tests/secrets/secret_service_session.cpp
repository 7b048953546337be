#include "tests/secrets/secret_service_session.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <thread>

#include "secrets/secret_service.h"
#include "tests/support/process.h"

namespace pindle::test {
namespace {

// A session bus that starts nothing by itself: only what the test runs is on it.
std::string busConfig(const std::string& socket) {
  return "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
         " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
         "<busconfig><type>session</type><listen>unix:path=" +
         socket +
         "</listen><auth>EXTERNAL</auth>\n"
         "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
         "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n";
}

template <class Ready>
bool waitFor(Ready ready) {
  for (int i = 0; i < 200; ++i) {
    if (ready()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  return false;
}

void stop(pid_t pid) {
  if (pid <= 0) return;
  ::kill(pid, SIGTERM);
  WaitProcess(pid);
}

}  // namespace

SecretServiceSession::SecretServiceSession(Store store) {
  const std::string socket = dir_.file("bus");
  dir_.write("bus.conf", busConfig(socket));
  ::mkdir(dir_.file("run").c_str(), 0700);
  env_ = {
      {"PATH", "/usr/bin:/bin"},
      {"HOME", dir_.path()},
      {"XDG_RUNTIME_DIR", dir_.file("run")},
      {"XDG_DATA_HOME", dir_.file("data")},
      {"XDG_CONFIG_HOME", dir_.file("config")},
      {"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + socket},
  };
  // This process talks to that bus, as a desktop session's program would.
  for (const auto& [name, value] : env_) ::setenv(name.c_str(), value.c_str(), 1);
  // QtKeychain picks KWallet on a KDE desktop; the tests want the Secret Service.
  for (const char* name : {"XDG_CURRENT_DESKTOP", "KDE_FULL_SESSION", "DESKTOP_SESSION", "DISPLAY"}) ::unsetenv(name);

  if (store == Store::NoBus) return;  // the address leads nowhere
  bus_ = StartProcess({"/usr/bin/dbus-daemon", "--nofork", "--config-file=" + dir_.file("bus.conf")}, env_);
  if (!waitFor([&] { return ::access(socket.c_str(), F_OK) == 0; })) {
    failure_ = "dbus-daemon did not start";
    return;
  }
  if (store == Store::None) return;
  if (store == Store::Locked) {
    keyring_ = StartProcess({"/usr/bin/gnome-keyring-daemon", "--foreground", "--components=secrets"}, env_);
  } else {
    // --unlock reads the login keyring's password from standard input and makes the keyring.
    keyring_ = StartProcess({"/usr/bin/gnome-keyring-daemon", "--foreground", "--unlock", "--components=secrets"}, env_,
                            "test-password");
  }
  const SecretService service;
  if (!waitFor([&] { return service.unavailableReason().empty(); })) failure_ = "gnome-keyring-daemon did not start";
}

void SecretServiceSession::pauseKeyring(bool paused) const {
  if (keyring_ > 0) ::kill(keyring_, paused ? SIGSTOP : SIGCONT);
}

SecretServiceSession::~SecretServiceSession() {
  stop(keyring_);
  stop(bus_);
}

}  // namespace pindle::test
