#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <string>

#include "tests/secrets/secrets_test_session.h"

namespace pindle::test {
namespace {
SecretServiceSession* session = nullptr;
}

const SecretServiceSession& Session() { return *session; }

SecretServiceSession::Store StoreMode() {
  const char* mode = std::getenv("PINDLE_TEST_SECRET_STORE");
  const std::string m = mode ? mode : "keyring";
  if (m == "locked") return SecretServiceSession::Store::Locked;
  if (m == "none") return SecretServiceSession::Store::None;
  if (m == "nobus") return SecretServiceSession::Store::NoBus;
  return SecretServiceSession::Store::Keyring;
}

}  // namespace pindle::test

// The session bus is chosen for the whole process before any test touches it; each test runs in
// the sessions it is written for and skips in the others.
int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
  // Qt sets the C locale from the environment the first time; the tests check it is put back.
  ::setenv("LC_ALL", "C.UTF-8", 1);
  pindle::test::SecretServiceSession session(pindle::test::StoreMode());
  if (!session.failure().empty()) {
    std::cerr << session.failure() << "\n";
    return 1;
  }
  pindle::test::session = &session;
  return RUN_ALL_TESTS();
}
