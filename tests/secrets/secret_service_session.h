#pragma once
#include <sys/types.h>

#include <map>
#include <memory>
#include <string>

#include "tests/support/temp_dir.h"

namespace pindle::test {

// A private D-Bus session bus for this test process, with HOME and the XDG folders in a temporary
// folder: with a Secret Service (gnome-keyring-daemon, its login keyring unlocked), with one that
// has no keyring it can open (as a locked desktop whose unlock prompt cannot show), with none on
// the bus, or with no bus at all.
// Made once, before anything in the process connects to a bus: libsecret and QtDBus keep their
// first session bus for the life of the process.
class SecretServiceSession {
 public:
  enum class Store { Keyring, Locked, None, NoBus };
  explicit SecretServiceSession(Store store);
  ~SecretServiceSession();
  SecretServiceSession(const SecretServiceSession&) = delete;
  SecretServiceSession& operator=(const SecretServiceSession&) = delete;

  // Empty when the session is up (and the keyring answers); otherwise what went wrong.
  const std::string& failure() const { return failure_; }
  const std::string& home() const { return dir_.path(); }
  // The variables that put a program started by the test in this session.
  const std::map<std::string, std::string>& environment() const { return env_; }
  // Stops and resumes the keyring, for a store that does not answer.
  void pauseKeyring(bool paused) const;

 private:
  TempDir dir_;
  pid_t bus_ = -1;
  pid_t keyring_ = -1;
  std::string failure_;
  std::map<std::string, std::string> env_;
};

}  // namespace pindle::test
