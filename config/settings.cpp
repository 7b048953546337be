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

namespace {
Text FoldedKey(std::string_view key) {
  while (!key.empty() && (key.front() == ' ' || key.front() == '\t')) key.remove_prefix(1);
  while (!key.empty() && (key.back() == ' ' || key.back() == '\t')) key.remove_suffix(1);
  Text folded(key);
  for (char& c : folded)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return folded;
}
}  // namespace

Settings::Section Settings::readSection(const Text& section) {
  Section s;
  const Text file = Paths().settingsFile;
  if (file.empty() || section.empty()) return s;
  // In UTF-8 no byte of a longer character is an ASCII letter, so folding matches the file's rule.
  for (const auto& [key, value] : ReadProfileSection(file, Utf8ToGbk(section)))
    s.values_.try_emplace(FoldedKey(GbkToUtf8Text(key)), GbkToUtf8Text(value));
  return s;
}

std::optional<Text> Settings::Section::find(const Text& key) const {
  const Text folded = FoldedKey(key);
  if (folded.empty()) return std::nullopt;
  const auto it = values_.find(folded);
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

bool Settings::isOn(const Text& key) { return read(kSoftwareSection, key) == kOn; }

Text SwitchKeyProblem(const Text& name) {
  const auto problem = [](const char* what) { return Text("插件名") + what + "，开关无法保存"; };
  if (name.find('=') != Text::npos) return problem("含有“=”");
  if (name.find_first_of("\r\n") != Text::npos) return problem("含有换行");
  // The file trims blanks around a key before it looks at its first character.
  const Text key = FoldedKey(name);
  if (key.starts_with(";")) return problem("以“;”开头");
  if (key.starts_with("[")) return problem("以“[”开头");
  return {};
}

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

bool ReuseLinksSetting() { return Settings::isOn(kReuseLinksKey); }

}  // namespace pindle
