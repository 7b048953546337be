#include "history/plugin_health.h"

#include <charconv>
#include <ctime>

#include "config/plugin_config_file.h"
#include "platform/files.h"

namespace pindle {
namespace {

constexpr const char* kOutcomeKey = "结果";
constexpr const char* kTimeKey = "时间";
constexpr const char* kMillisKey = "用时";
constexpr const char* kReasonKey = "原因";
constexpr const char* kLinkKey = "短网址";
constexpr const char* kWell = "正常";
constexpr const char* kFailed = "失败";

std::optional<std::int64_t> ParseTime(const Text& text) {
  std::tm local{};
  const char* end = strptime(text.c_str(), "%Y-%m-%d %H:%M:%S", &local);
  if (!end || *end) return std::nullopt;
  local.tm_isdst = -1;
  return static_cast<std::int64_t>(std::mktime(&local));
}

std::int64_t ParseNumber(const Text& text) {
  std::int64_t n = 0;
  std::from_chars(text.data(), text.data() + text.size(), n);
  return n;
}

// One line, as an INI value holds it.
Text OneLine(Text text) {
  for (char& c : text)
    if (c == '\r' || c == '\n' || c == '\0') c = ' ';
  return text;
}

Text Day(std::int64_t unixTime) { return FormatHistoryTime(unixTime).substr(0, 10); }

}  // namespace

std::optional<PluginCheckState> ReadPluginCheckState(const Text& deployDir, const Text& pluginName) {
  const PluginConfigFile file(deployDir, pluginName, kPluginStateSection);
  if (!file.exists()) return std::nullopt;
  const auto outcome = file.read(kOutcomeKey);
  const auto time = file.read(kTimeKey);
  if (!outcome || (*outcome != kWell && *outcome != kFailed) || !time) return std::nullopt;
  const auto at = ParseTime(*time);
  if (!at) return std::nullopt;
  PluginCheckState state;
  state.ok = *outcome == kWell;
  state.unixTime = *at;
  state.millis = ParseNumber(file.read(kMillisKey).value_or(""));
  state.reason = file.read(kReasonKey).value_or("");
  state.link = file.read(kLinkKey).value_or("");
  return state;
}

Text WritePluginCheckState(const Text& deployDir, const Text& pluginName, const PluginCheckState& state) {
  PluginConfigFile file(deployDir, pluginName, kPluginStateSection);
  const std::pair<const char*, Text> values[] = {
      {kOutcomeKey, state.ok ? kWell : kFailed},
      {kTimeKey, FormatHistoryTime(state.unixTime)},
      {kMillisKey, std::to_string(state.millis)},
      {kReasonKey, OneLine(state.reason)},
      {kLinkKey, OneLine(state.link)},
  };
  for (const auto& [key, value] : values)
    if (Text problem = file.write(key, value); !problem.empty()) return problem;
  return {};
}

PluginHealth JudgeHealth(const PluginCheckState& check) {
  PluginHealth health;
  health.cell = Text(check.ok ? kWell : kFailed) + "（" + Day(check.unixTime) + "）";
  health.tip = "检测于 " + FormatHistoryTime(check.unixTime) + "：" + (check.ok ? kWell : kFailed) + "，用时 " +
               std::to_string(check.millis) + " 毫秒" +
               (check.ok ? "\n短网址：" + check.link : "\n原因：" + check.reason);
  return health;
}

PluginHealth JudgeHealth(const std::optional<PluginCheckState>& check, const std::vector<HistoryEntry>& lastUses) {
  const std::int64_t lastUse = lastUses.empty() ? 0 : lastUses.front().unixTime;
  const bool newerUse = !lastUses.empty() && (!check || lastUse >= check->unixTime);
  bool allFailed = lastUses.size() >= static_cast<size_t>(kDeadAfterFailedUses);
  for (size_t i = 0; allFailed && i < static_cast<size_t>(kDeadAfterFailedUses); ++i)
    allFailed = !lastUses[i].failure.empty();
  if (allFailed && newerUse) {
    return {Text(kFailed) + "（" + Day(lastUse) + "）", "最近 " + std::to_string(kDeadAfterFailedUses) +
                                                            " 次使用都失败，最后一次在 " + FormatHistoryTime(lastUse) +
                                                            "\n原因：" + lastUses.front().failure};
  }
  if (!check) return {};
  if (!check->ok && newerUse && lastUses.front().failure.empty()) {
    return {Text(kWell) + "（" + Day(lastUse) + "）", FormatHistoryTime(lastUse) + " 使用成功（检测于 " +
                                                          FormatHistoryTime(check->unixTime) + " 时失败：" +
                                                          check->reason + "）"};
  }
  return JudgeHealth(*check);
}

std::vector<PluginHealth> ReadPluginHealth(const std::vector<Text>& names, const Text& deployDir,
                                           const Text& historyFile) {
  std::map<Text, std::vector<HistoryEntry>> uses;
  if (!historyFile.empty() && FileExists(historyFile))
    uses = HistoryStore(historyFile).lastOfEach(names, kDeadAfterFailedUses);
  std::vector<PluginHealth> health;
  health.reserve(names.size());
  for (const Text& name : names) {
    const auto found = uses.find(name);
    health.push_back(JudgeHealth(name.empty() ? std::nullopt : ReadPluginCheckState(deployDir, name),
                                 found == uses.end() ? std::vector<HistoryEntry>() : found->second));
  }
  return health;
}

}  // namespace pindle
