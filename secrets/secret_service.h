#pragma once
#include <chrono>

#include "platform/types.h"

namespace pindle {

// The outcome of a look-up in the secret store.
struct SecretLookup {
  bool found = false;
  Text value;
  Text error;  // why the store could not be asked; empty when it answered
};

// The desktop's secret store (the Secret Service: GNOME Keyring, KWallet, KeePassXC) through
// QtKeychain, made synchronous: each call waits for the store's answer, at most `timeout` (an
// unlock prompt on the desktop may take the user a while). Usable from the command line without
// a window. Entries are named <service>/<key>.
class SecretService {
 public:
  explicit SecretService(Text service = "Pindle", std::chrono::milliseconds timeout = std::chrono::seconds(60));

  // Empty when a secret store answers on the session bus; otherwise the reason, in one line.
  Text unavailableReason() const;

  SecretLookup read(const Text& key) const;
  // Empty, or why the value was not stored.
  Text write(const Text& key, const Text& value) const;
  // Empty (also when there was no such entry), or why it could not be removed.
  Text remove(const Text& key) const;

 private:
  Text service_;
  std::chrono::milliseconds timeout_;
};

}  // namespace pindle
