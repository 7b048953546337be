#pragma once
#include "app/gui/actions/window_actions.h"
#include "platform/background.h"

namespace pindle {

// The program's real actions behind the window's events. Its workers run what must not hold up
// the window thread; they belong to it, so the controls they use must outlive it.
class ProgramActions : public WindowActions {
 public:
  void windowCreated(Controls& ui) override;
  void settingBoxClicked(Controls& ui, SettingBox box) override;
  void filesDropped(Controls& ui, const std::vector<Text>& paths) override;
  void generateClicked(Controls& ui) override;
  void csvFileChosen(Controls& ui, const Text& path) override;
  void pluginChosen(Controls& ui) override;
  void exportResultsChosen(Controls& ui, const Text& path) override;
  bool resultRightClicked(Controls& ui) override;
  void copyUrlChosen(Controls& ui) override;
  void openUrlChosen(Controls& ui) override;
  void resultDoubleClicked(Controls& ui) override;
  void stopGenerationChosen(Controls& ui) override;
  void expandUrlChosen(Controls& ui, const Text& url) override;
  bool pluginRightClicked(Controls& ui) override;
  void pluginDoubleClicked(Controls& ui) override;
  void refreshClicked(Controls& ui) override;
  void pullClicked(Controls& ui) override;
  void enablePluginChosen(Controls& ui) override;
  void disablePluginChosen(Controls& ui) override;
  void modifyConfigChosen(Controls& ui) override;
  void updatePluginChosen(Controls& ui) override;
  void editPluginChosen(Controls& ui) override;
  void deletePluginChosen(Controls& ui) override;
  void checkPluginsChosen(Controls& ui) override;
  void pluginSaved(Controls& ui) override;
  void feedbackClicked(Controls& ui) override;
  void refreshClicksChosen(Controls& ui, const std::vector<Text>& links, HistoryLinkView& view) override;
  void deleteLinksChosen(Controls& ui, const std::vector<Text>& links, HistoryLinkView& view) override;
  void syncLinksChosen(Controls& ui, const Text& plugin, HistoryLinkView& view) override;
  std::vector<Text> listingPlugins(Controls& ui) override;
  void windowClosing(Controls& ui, const std::function<void()>& waitStep) override;

  // How many of its workers run now.
  size_t runningWorkers() const { return workers_.running(); }
  // The workers the window's other background tasks (its clipboard passes) run on.
  Workers& workers() { return workers_; }

 private:
  Workers workers_;
};

}  // namespace pindle
