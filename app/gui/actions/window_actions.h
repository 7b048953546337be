#pragma once
#include <functional>
#include <vector>

#include "app/gui/actions/controls.h"
#include "app/gui/actions/history_links.h"

namespace pindle {

// What the window's events do. The window calls these on its own thread and knows nothing of
// what happens behind them; ProgramActions binds the program's real actions.
class WindowActions {
 public:
  virtual ~WindowActions() = default;
  virtual void windowCreated(Controls&) {}  // starts the start-up task
  virtual void settingBoxClicked(Controls&, SettingBox) {}
  virtual void filesDropped(Controls&, const std::vector<Text>&) {}
  virtual void generateClicked(Controls&) {}
  virtual void csvFileChosen(Controls&, const Text& /*path*/) {}        // 打开 CSV…, after its file dialog
  virtual void pluginChosen(Controls&) {}                               // 生成_批量接口's choice changed
  virtual void exportResultsChosen(Controls&, const Text& /*path*/) {}  // 导出结果…, after its dialog
  virtual bool resultRightClicked(Controls&) { return false; }          // true: show 生成菜单
  virtual void copyUrlChosen(Controls&) {}
  virtual void openUrlChosen(Controls&) {}
  virtual void resultDoubleClicked(Controls&) {}
  virtual void stopGenerationChosen(Controls&) {}  // 停止生成, or Esc on the 生成 page
  // 展开短网址 on a link of the result list or the history
  virtual void expandUrlChosen(Controls&, const Text& /*url*/) {}
  virtual bool pluginRightClicked(Controls&) { return false; }  // true: show 插件菜单
  virtual void pluginDoubleClicked(Controls&) {}
  virtual void refreshClicked(Controls&) {}
  virtual void pullClicked(Controls&) {}
  virtual void enablePluginChosen(Controls&) {}
  virtual void disablePluginChosen(Controls&) {}
  virtual void modifyConfigChosen(Controls&) {}
  virtual void updatePluginChosen(Controls&) {}
  virtual void editPluginChosen(Controls&) {}
  virtual void deletePluginChosen(Controls&) {}
  virtual void checkPluginsChosen(Controls&) {}  // 检测插件
  virtual void pluginSaved(Controls&) {}         // the plug-in editor wrote its file
  virtual void feedbackClicked(Controls&) {}
  // The 历史 page's operations on its links, reported to `view` (which outlives them).
  virtual void refreshClicksChosen(Controls&, const std::vector<Text>& /*links*/, HistoryLinkView&) {}  // 刷新点击
  virtual void deleteLinksChosen(Controls&, const std::vector<Text>& /*links*/, HistoryLinkView&) {}  // 删除短网址
  virtual void syncLinksChosen(Controls&, const Text& /*plugin*/, HistoryLinkView&) {}  // 同步服务端链接
  // The plug-ins 同步服务端链接 offers.
  virtual std::vector<Text> listingPlugins(Controls&) { return {}; }
  // The window is about to end the process: what runs behind it is stopped or left explicitly.
  // `waitStep` serves the window thread's calls once, for whatever waits on them.
  virtual void windowClosing(Controls&, const std::function<void()>& /*waitStep*/) {}
};

}  // namespace pindle
