#include "config/settings.h"

#include <charconv>

#include "config/app_paths.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/ini_profile.h"

namespace pindle {

Text Settings::read(const Text& section, const Text& key, const std::optional<Text>& fallback) {
  const Text file = Paths().settingsFile;
  if (file.empty() || section.empty() || key.empty()) return {};
  const Bytes def = fallback ? Utf8ToGbk(*fallback) : Bytes();
  return GbkToUtf8Text(ReadProfileString(file, Utf8ToGbk(section), Utf8ToGbk(key), def));
}

bool Settings::write(const Text& section, const Text& key, const Text& value) {
  const Text file = Paths().settingsFile;
  if (file.empty()) return false;
  // An installed program's settings folder appears with its first setting.
  if (const auto slash = file.rfind('/'); slash != Text::npos && slash > 0) MakeDirectories(file.substr(0, slash));
  return WriteProfileString(file, Utf8ToGbk(section), Utf8ToGbk(key), Utf8ToGbk(value));
}

bool Settings::isOn(const Text& key) { return read(kSoftwareSection, key) == kOn; }

bool VerifyTlsSetting() { return !Settings::isOn(kIgnoreCertificateErrorsKey); }

int ConcurrencySetting() {
  const Text value = Settings::read(kSoftwareSection, kConcurrencyKey);
  int n = 0;
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), n);
  if (value.empty() || error != std::errc() || end != value.data() + value.size() || n < 1 || n > kMaxConcurrency)
    return kDefaultConcurrency;
  return n;
}

bool RecordHistorySetting() { return Settings::read(kSoftwareSection, kRecordHistoryKey) != kOff; }

}  // namespace pindle
