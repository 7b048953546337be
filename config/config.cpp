#include "config/config.h"

#include "config/builtin_addresses.h"
#include "config/fallback_plugins.h"

namespace pindle {

Text PluginListAddressSetting() {
  return Settings::read(kSoftwareSection, kPluginListAddressKey, BuiltInPluginListUrl());
}

Config Config::Read() {
  Config config;
  config.paths = Paths();
  config.verifyTls = VerifyTlsSetting();
  config.concurrency = ConcurrencySetting();
  config.recordHistory = RecordHistorySetting();
  config.reuseLinks = ReuseLinksSetting();
  config.fallbackPlugins = FallbackPluginsSetting();
  config.pluginListAddress = PluginListAddressSetting();
  return config;
}

}  // namespace pindle
