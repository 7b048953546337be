#include "config/fallback_plugins.h"

#include "config/settings.h"

namespace pindle {

std::vector<Text> ParseFallbackPlugins(const Text& stored) {
  std::vector<Text> names;
  size_t start = 0;
  for (;;) {
    const size_t bar = stored.find('|', start);
    Text name = stored.substr(start, bar == Text::npos ? Text::npos : bar - start);
    if (!name.empty()) names.push_back(std::move(name));
    if (bar == Text::npos) return names;
    start = bar + 1;
  }
}

Text JoinFallbackPlugins(const std::vector<Text>& names) {
  Text joined;
  for (const Text& name : names) {
    if (name.empty() || name.find('|') != Text::npos) continue;
    if (!joined.empty()) joined += '|';
    joined += name;
  }
  return joined;
}

std::vector<Text> FallbackPluginsSetting() {
  return ParseFallbackPlugins(Settings::read(kSoftwareSection, kFallbackPluginsKey));
}

bool WriteFallbackPluginsSetting(const std::vector<Text>& names) {
  return Settings::write(kSoftwareSection, kFallbackPluginsKey, JoinFallbackPlugins(names));
}

}  // namespace pindle
