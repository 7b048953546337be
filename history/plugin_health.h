#pragma once
#include <cstdint>
#include <optional>
#include <vector>

#include "history/history_store.h"
#include "platform/types.h"

namespace pindle {

inline constexpr const char* kPluginStateSection = "状态";
// A plug-in whose uses failed this many times in a row counts as dead.
inline constexpr int kDeadAfterFailedUses = 20;

// A plug-in's last health check, kept in its configuration file Deploy/<Name>.ini, section "状态".
struct PluginCheckState {
  bool ok = false;
  std::int64_t unixTime = 0;
  std::int64_t millis = 0;  // how long the request took
  Text reason;              // why no link came; empty when one did
  Text link;
};

std::optional<PluginCheckState> ReadPluginCheckState(const Text& deployDir, const Text& pluginName);
// Creates the folder and the file when needed; empty, or why the state could not be kept.
Text WritePluginCheckState(const Text& deployDir, const Text& pluginName, const PluginCheckState& state);

// What the plug-in list shows of a plug-in's health: the 状态 cell ("正常（日期）", "失败（日期）",
// empty while nothing is known) and its tool tip.
struct PluginHealth {
  Text cell;
  Text tip;
  bool dead() const { return cell.starts_with("失败"); }
};

// The newer word wins: the last check, or the last uses (newest first) when they are newer:
// kDeadAfterFailedUses failures in a row make a plug-in dead, a success after a failed check
// makes it well again.
PluginHealth JudgeHealth(const std::optional<PluginCheckState>& check, const std::vector<HistoryEntry>& lastUses);
PluginHealth JudgeHealth(const PluginCheckState& check);

// The health of each named plug-in, from Deploy/ and the history file (which is only read,
// and not at all when it does not exist).
std::vector<PluginHealth> ReadPluginHealth(const std::vector<Text>& names, const Text& deployDir,
                                           const Text& historyFile);

}  // namespace pindle
