#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <iostream>

#include "tests/secrets/secrets_test_session.h"

namespace pindle::test {
namespace {
SecretServiceSession* session = nullptr;
}

const SecretServiceSession& Session() { return *session; }

bool HasKeyring() {
  const char* mode = std::getenv("PINDLE_TEST_SECRET_STORE");
  return !mode || std::strcmp(mode, "none") != 0;
}

}  // namespace pindle::test

// The session bus is chosen for the whole process before any test touches it:
// PINDLE_TEST_SECRET_STORE=none gives a bus without a Secret Service.
int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  using pindle::test::SecretServiceSession;
  SecretServiceSession session(pindle::test::HasKeyring() ? SecretServiceSession::Store::Keyring
                                                          : SecretServiceSession::Store::None);
  if (!session.failure().empty()) {
    std::cerr << session.failure() << "\n";
    return 1;
  }
  pindle::test::session = &session;
  return RUN_ALL_TESTS();
}
