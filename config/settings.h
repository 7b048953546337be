#pragma once
#include <optional>
#include <unordered_map>

#include "platform/types.h"

namespace pindle {

inline constexpr const char* kSoftwareSection = "软件设定";
inline constexpr const char* kPluginSwitchSection = "插件开关";
inline constexpr const char* kOn = "真";
inline constexpr const char* kOff = "假";
inline constexpr const char* kAutoLoadKey = "自动加载";

// Setting.ini beside the program, in code page 936 as Windows writes it. No copy in memory:
// every read goes to the file, every write goes to the file at once.
class Settings {
 public:
  // The stored value; `fallback` (empty when none) when the key is absent; empty when the
  // file, section or key name is empty. Values are cut at 10,239 bytes as stored.
  static Text read(const Text& section, const Text& key, const std::optional<Text>& fallback = std::nullopt);
  // Returns whether the file now holds the value.
  static bool write(const Text& section, const Text& key, const Text& value);
  // The keys of one section, read from the file once (many lookups, one parse).
  class Section {
   public:
    // The value Settings::read would give for `key`, or nothing when the key is absent.
    std::optional<Text> find(const Text& key) const;

   private:
    friend class Settings;
    std::unordered_map<Text, Text> values_;  // by key in ASCII lower case; the first one wins
  };
  static Section readSection(const Text& section);
  // The switch `key` of section "软件设定" is on exactly when it reads "真".
  static bool isOn(const Text& key);
};

// The status text when a setting the user changed could not be written.
inline constexpr const char* kSettingNotSavedText = "设置未能保存：Setting.ini 无法写入";

inline constexpr const char* kIgnoreCertificateErrorsKey = "忽略证书错误";

// Whether requests verify certificates: yes unless the user set "忽略证书错误" to "真".
bool VerifyTlsSetting();

// Why a plug-in's switch cannot be kept under its name in "插件开关" (the INI file would read the
// key as another one, or as no key at all), e.g. "插件名含有“=”，开关无法保存"; empty when it can.
Text SwitchKeyProblem(const Text& name);

inline constexpr const char* kConcurrencyKey = "并发数";
inline constexpr int kDefaultConcurrency = 4;
inline constexpr int kMaxConcurrency = 64;

// Requests a batch keeps in flight to one service: "并发数" of section "软件设定", 4 when the
// key is absent or not a number from 1 to 64.
int ConcurrencySetting();

inline constexpr const char* kRecordHistoryKey = "记录历史";

// Whether generations are recorded in the history: yes unless the user set "记录历史" to "假".
bool RecordHistorySetting();

inline constexpr const char* kReuseLinksKey = "复用短网址";
// Whether a long URL a plug-in already shortened takes its link from the history instead of a
// request: only when the user set "复用短网址" to "真".
bool ReuseLinksSetting();

}  // namespace pindle
