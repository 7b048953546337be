#pragma once
#include <stop_token>

#include "app/gui/actions/controls.h"
#include "config/config.h"
#include "plugins/cloud_plugin_sync.h"

namespace pindle {

// The window's pull: the status, the pull with the configuration's address, folder and
// certificate switch, then the plug-in list reloaded and the report in the status bar. Once
// `stop` is asked no further file comes and the list is left as it is (the window is going).
PullReport CloudPluginPull(Controls& ui, const Config& config, std::stop_token stop = {});

// 更新插件: the selected plug-in's file fetched anew from its UpdateURL; the outcome in the status bar.
void UpdateSinglePlugin(Controls& ui, bool verifyTls);

}  // namespace pindle
