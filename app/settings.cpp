#include "app/settings.h"

#include "app/app_paths.h"
#include "platform/codepage.h"
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
  return WriteProfileString(file, Utf8ToGbk(section), Utf8ToGbk(key), Utf8ToGbk(value));
}

bool Settings::isOn(const Text& key) { return read(kSoftwareSection, key) == kOn; }

bool VerifyTlsSetting() { return !Settings::isOn(kIgnoreCertificateErrorsKey); }

bool RecordHistorySetting() { return Settings::read(kSoftwareSection, kRecordHistoryKey) != kOff; }

}  // namespace pindle
