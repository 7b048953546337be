#pragma once
#include <sys/types.h>

#include <string>

#include "tests/support/temp_dir.h"

namespace pindle::test {

// A D-Bus session bus of the test's own, up from construction to destruction. It starts no
// service by itself (no activation folders), so only what the test starts answers on it.
class DbusSession {
 public:
  DbusSession();
  ~DbusSession();
  DbusSession(const DbusSession&) = delete;
  DbusSession& operator=(const DbusSession&) = delete;

  bool running() const { return !address_.empty(); }
  // For DBUS_SESSION_BUS_ADDRESS.
  const std::string& address() const { return address_; }

 private:
  TempDir dir_;
  pid_t pid_ = 0;
  std::string address_;
};

}  // namespace pindle::test
