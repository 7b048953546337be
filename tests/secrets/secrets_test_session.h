#pragma once
#include "tests/secrets/secret_service_session.h"

namespace pindle::test {

// The session the test process runs in, chosen by PINDLE_TEST_SECRET_STORE: "keyring" (the
// default), "locked", "none" or "nobus".
const SecretServiceSession& Session();
SecretServiceSession::Store StoreMode();

}  // namespace pindle::test
