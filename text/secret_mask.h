#pragma once
#include <string_view>
#include <vector>

#include "platform/types.h"

namespace pindle {

// What a secret value is shown as, wherever it would otherwise appear.
inline constexpr const char* kSecretMask = "••••";

// `text` with every appearance of a secret replaced by kSecretMask: the value as it is, and as
// it goes out on the wire: percent-encoded (UTF-8 or code page 936 bytes, either letter case,
// '+' for a blank), with JSON's backslash escapes ("\u00e9" for what a JSON body writes that
// way). Empty secrets are ignored.
Text MaskSecrets(std::string_view text, const std::vector<Text>& secrets);

// Whether `text` holds any of the secrets in any of the forms MaskSecrets hides.
bool HoldsSecret(std::string_view text, const std::vector<Text>& secrets);

}  // namespace pindle
