#pragma once
#include "tests/secrets/secret_service_session.h"

namespace pindle::test {

// The session the test process runs in, and whether it has a Secret Service.
const SecretServiceSession& Session();
bool HasKeyring();

}  // namespace pindle::test
