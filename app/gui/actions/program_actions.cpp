#include "app/gui/actions/program_actions.h"

#include "app/gui/actions/csv_box.h"
#include "app/gui/actions/generate_actions.h"
#include "app/gui/actions/history_links.h"
#include "app/gui/actions/link_actions.h"
#include "app/gui/actions/missing_values.h"
#include "app/gui/actions/moved_keys.h"
#include "app/gui/actions/plugin_checks.h"
#include "app/gui/actions/plugin_registry.h"
#include "app/gui/actions/plugin_updates.h"
#include "app/gui/actions/result_actions.h"
#include "app/gui/actions/result_export.h"
#include "app/gui/actions/startup.h"
#include "app/gui/actions/update_actions.h"
#include "app/gui/actions/uploader_drop.h"
#include "config/config.h"
#include "platform/background.h"
#include "secrets/plugin_inputs.h"

namespace pindle {

void ProgramActions::windowCreated(Controls& ui) {
  workers_.start([this, &ui](std::stop_token) {
    StartupSteps steps;
    steps.startLocalLoad = [this, &ui] { workers_.start([&ui](std::stop_token) { PluginRegistry::load(ui); }); };
    steps.startCloudPull = [this, &ui] {
      workers_.start([&ui](std::stop_token stop) { CloudPluginPull(ui, Config::Read(), stop); });
    };
    steps.runUpdateCheck = [&ui] { RunUpdateCheck(ui, Config::Read().verifyTls); };
    RunStartupTask(ui, steps);
  });
}

void ProgramActions::settingBoxClicked(Controls& ui, SettingBox box) { OnSettingBoxClicked(ui, box); }
void ProgramActions::filesDropped(Controls& ui, const std::vector<Text>& paths) {
  const std::vector<Text> rest = ImportDroppedUploaders(ui, paths, workers_);
  if (!rest.empty() || paths.empty()) OnFilesDropped(ui, rest);
}
void ProgramActions::generateClicked(Controls& ui) {
  // Before anything goes out: a key whose plug-in points elsewhere now goes there only if the user
  // agrees (asked only when the generation can start).
  // A value it lacks opens its form first.
  if (ui.pluginList().rowCount() > 0 && !ui.longUrlBox().text().empty() && ui.pluginChoice().currentIndex() >= 0) {
    const std::vector<Text> files = GenerationPluginFiles(ui);
    AskAboutMovedKeys(ui, files);
    AskForMissingValues(ui, files);
  }
  OnGenerateClicked(ui, workers_, [](const Text& pluginFile) {
    return StoredPluginInputs(pluginFile, Paths().deployDir, ValueSetting::Window);
  });
}
void ProgramActions::csvFileChosen(Controls& ui, const Text& path) { OpenCsvFile(ui, path); }
void ProgramActions::pluginChosen(Controls& ui) { OnPluginChosen(ui); }
void ProgramActions::exportResultsChosen(Controls& ui, const Text& path) { ExportResults(ui, path); }
bool ProgramActions::resultRightClicked(Controls& ui) {
  const bool running = GenerationRunning();
  ui.menuItem(MenuItem::StopGeneration).setEnabled(running);
  if (PrepareResultMenu(ui)) return true;
  if (!running) return false;
  // While a batch runs the menu comes without a selected row too, for 停止生成.
  ui.menuItem(MenuItem::CopyUrl).setEnabled(false);
  ui.menuItem(MenuItem::OpenUrl).setEnabled(false);
  return true;
}
void ProgramActions::copyUrlChosen(Controls& ui) { CopySelectedResult(ui); }
void ProgramActions::openUrlChosen(Controls& ui) { OpenSelectedResult(ui); }
void ProgramActions::resultDoubleClicked(Controls& ui) { OnResultDoubleClick(ui); }
void ProgramActions::stopGenerationChosen(Controls&) { StopGenerations(); }

void ProgramActions::expandUrlChosen(Controls& ui, const Text& url) {
  workers_.start([&ui, url](std::stop_token) { ShowRedirectChain(ui, url); });
}
bool ProgramActions::pluginRightClicked(Controls& ui) { return PluginRegistry::prepareMenu(ui); }
void ProgramActions::pluginDoubleClicked(Controls& ui) { PluginRegistry::onDoubleClick(ui); }
void ProgramActions::refreshClicked(Controls& ui) { PluginRegistry::refresh(ui, workers_); }
void ProgramActions::pullClicked(Controls& ui) {
  workers_.start([&ui](std::stop_token stop) { CloudPluginPull(ui, Config::Read(), stop); });
}
void ProgramActions::enablePluginChosen(Controls& ui) {
  if (const Text problem = PluginRegistry::enable(ui); !problem.empty()) ui.setStatusText(problem);
}
void ProgramActions::disablePluginChosen(Controls& ui) {
  if (const Text problem = PluginRegistry::disable(ui); !problem.empty()) ui.setStatusText(problem);
}
void ProgramActions::modifyConfigChosen(Controls& ui) { PluginRegistry::modifyConfiguration(ui); }
void ProgramActions::checkPluginsChosen(Controls& ui) {
  workers_.start([&ui](std::stop_token) { CheckListedPlugins(ui); });
}
// The download and the feedback post run off the window thread so a slow server never freezes it.
void ProgramActions::updatePluginChosen(Controls& ui) {
  workers_.start([&ui](std::stop_token) { UpdateSinglePlugin(ui, Config::Read().verifyTls); });
}
// The list shows the saved file at once. Loaded off the window thread, like 插件_刷新: a load
// already running waits on that thread for its status text, so loading there could deadlock.
void ProgramActions::pluginSaved(Controls& ui) {
  workers_.start([&ui](std::stop_token) { PluginRegistry::load(ui); });
}
void ProgramActions::editPluginChosen(Controls& ui) { PluginRegistry::edit(ui); }
void ProgramActions::deletePluginChosen(Controls& ui) { PluginRegistry::remove(ui, workers_); }
// Nothing these workers do is lost when the process ends under them (a load or pull leaves whole
// files, a check or an expansion only shows), so closing asks them to stop and ends at once.
void ProgramActions::windowClosing(Controls&, const std::function<void()>& waitStep) {
  workers_.finish(std::chrono::milliseconds(0), waitStep);
}
void ProgramActions::feedbackClicked(Controls& ui) {
  workers_.start([&ui](std::stop_token) { FeedbackSender(ui, Config::Read().verifyTls); });
}

// The 历史 page's operations talk to services: on workers, reported through the page's view.
void ProgramActions::refreshClicksChosen(Controls& ui, const std::vector<Text>& links, HistoryLinkView& view) {
  workers_.start([&ui, links, &view](std::stop_token stop) { RefreshHistoryClicks(ui, links, view, stop); });
}
void ProgramActions::deleteLinksChosen(Controls& ui, const std::vector<Text>& links, HistoryLinkView& view) {
  workers_.start([&ui, links, &view](std::stop_token stop) { DeleteHistoryLinks(ui, links, view, stop); });
}
void ProgramActions::syncLinksChosen(Controls& ui, const Text& plugin, HistoryLinkView& view) {
  workers_.start([&ui, plugin, &view](std::stop_token) { SyncServiceLinks(ui, plugin, view); });
}
std::vector<Text> ProgramActions::listingPlugins(Controls& ui) { return ListingPlugins(ui); }

}  // namespace pindle
