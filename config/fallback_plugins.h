#pragma once
#include <vector>

#include "platform/types.h"

namespace pindle {

inline constexpr const char* kFallbackPluginsKey = "备用插件";

// The plug-ins a window generation falls back on, in order: "备用插件" of section "软件设定",
// names separated by "|" (empty or absent: none).
std::vector<Text> FallbackPluginsSetting();
// Stores the names; false when the file could not take them. A name holding "|" cannot be
// stored and is left out.
bool WriteFallbackPluginsSetting(const std::vector<Text>& names);

// The stored text as names and back: empty names are dropped.
std::vector<Text> ParseFallbackPlugins(const Text& stored);
Text JoinFallbackPlugins(const std::vector<Text>& names);

}  // namespace pindle
