#pragma once
#include <vector>

#include "config/app_paths.h"
#include "config/settings.h"
#include "platform/types.h"

namespace pindle {

inline constexpr const char* kPluginListAddressKey = "插件更新";

// The address of the cloud plug-in list: "插件更新" in "软件设定", or the built-in address when
// the key is absent.
Text PluginListAddressSetting();

// What Setting.ini says, read at the moment a door starts a piece of work, with the program's
// folders; the services are handed the values they need from it. Each value follows the rule of
// its own reader in settings.h and fallback_plugins.h.
struct Config {
  AppPaths paths;
  bool verifyTls = true;
  int concurrency = kDefaultConcurrency;
  bool recordHistory = true;
  bool reuseLinks = false;
  std::vector<Text> fallbackPlugins;
  Text pluginListAddress;

  static Config Read();
};

}  // namespace pindle
