#pragma once
#include <gtest/gtest.h>

#include "tests/secrets/secret_service_session.h"

namespace pindle::test {

// The session the test process runs in, chosen by PINDLE_TEST_SECRET_STORE: "keyring" (the
// default), "locked", "none" or "nobus".
const SecretServiceSession& Session();
SecretServiceSession::Store StoreMode();

// A test written for some of the sessions skips in the others.
template <SecretServiceSession::Store... Modes>
class In : public testing::Test {
  void SetUp() override {
    if (((StoreMode() != Modes) && ...)) GTEST_SKIP() << "written for another session";
  }
};
using WithKeyring = In<SecretServiceSession::Store::Keyring>;
using WithoutSecretService = In<SecretServiceSession::Store::None, SecretServiceSession::Store::NoBus>;
using WithLockedKeyring = In<SecretServiceSession::Store::Locked>;

}  // namespace pindle::test
