#pragma once
#include <vector>

#include "config/settings.h"
#include "platform/types.h"

namespace pindle {

inline constexpr const char* kSwitchOn = "是";
inline constexpr const char* kSwitchOff = "否";

// The seven cells of one row of 插件_插件列表.
using PluginRow = std::vector<Text>;

// Column 2: "有" for "true", "无" for "false", anything else as it is.
Text DeployCellText(const Text& deploy);

// The row of one plug-in file. Each listing key gives its plain-text form; a key holding an
// object or an array (not what a plug-in writes there) gives an empty cell, as does a file that
// cannot be read or parsed. The switch is read from "插件开关", "是" when absent, and "是" for a
// name the INI file cannot hold as a key (SwitchKeyProblem): such a switch cannot be turned off.
PluginRow ReadPluginRow(const Text& path, const Settings::Section& switches);

// One row per "*.json" file of the directory, in the order the file system lists them.
std::vector<PluginRow> ReadPluginRows(const Text& plugDir);

}  // namespace pindle
