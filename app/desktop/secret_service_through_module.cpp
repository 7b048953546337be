// The program's secret store: the desktop module's (QtKeychain), loaded when a secret is first
// asked for, so a command that needs none starts without the toolkit.
#include "app/desktop_loader.h"
#include "secrets/secret_service.h"

namespace pindle {

SecretService::SecretService(Text service, std::chrono::milliseconds timeout)
    : service_(std::move(service)), timeout_(timeout) {}

Text SecretService::unavailableReason() const {
  Text problem;
  const DesktopDoor* door = LoadDesktopDoor(problem);
  return door ? door->secretsUnavailable(service_, timeout_) : problem;
}

SecretLookup SecretService::read(const Text& key) const {
  Text problem;
  const DesktopDoor* door = LoadDesktopDoor(problem);
  return door ? door->readSecret(service_, timeout_, key) : SecretLookup{false, "", problem};
}

Text SecretService::write(const Text& key, const Text& value) const {
  Text problem;
  const DesktopDoor* door = LoadDesktopDoor(problem);
  return door ? door->writeSecret(service_, timeout_, key, value) : problem;
}

Text SecretService::remove(const Text& key) const {
  Text problem;
  const DesktopDoor* door = LoadDesktopDoor(problem);
  return door ? door->removeSecret(service_, timeout_, key) : problem;
}

}  // namespace pindle
