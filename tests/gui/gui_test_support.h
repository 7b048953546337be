#pragma once
#include <QMimeData>
#include <QWidget>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/gui/main_window.h"
#include "platform/background.h"
#include "tests/support/temp_dir.h"

namespace pindle::test {

// Processes window events until `done` holds or `timeout` passes; whether it held.
bool SpinUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = std::chrono::seconds(10));

// Runs `work` on a thread of its own while the window thread keeps processing events, as the
// program's workers do; false when it did not finish in time.
bool RunOnWorker(const std::function<void()>& work, std::chrono::milliseconds timeout = std::chrono::seconds(10));

// Window actions that only note which event came, in order; the right-clicks answer `showMenus`.
class RecordingActions : public WindowActions {
 public:
  bool showMenus = true;
  std::vector<std::string> events();
  std::vector<Text> droppedPaths();

  void windowCreated(Controls&) override { note("windowCreated"); }
  void settingBoxClicked(Controls&, SettingBox box) override;
  void filesDropped(Controls&, const std::vector<Text>& paths) override;
  void generateClicked(Controls&) override { note("generateClicked"); }
  bool resultRightClicked(Controls&) override {
    note("resultRightClicked");
    return showMenus;
  }
  void copyUrlChosen(Controls&) override { note("copyUrlChosen"); }
  void openUrlChosen(Controls&) override { note("openUrlChosen"); }
  void resultDoubleClicked(Controls&) override { note("resultDoubleClicked"); }
  bool pluginRightClicked(Controls&) override {
    note("pluginRightClicked");
    return showMenus;
  }
  void pluginDoubleClicked(Controls&) override { note("pluginDoubleClicked"); }
  void refreshClicked(Controls&) override { note("refreshClicked"); }
  void pullClicked(Controls&) override { note("pullClicked"); }
  void enablePluginChosen(Controls&) override { note("enablePluginChosen"); }
  void disablePluginChosen(Controls&) override { note("disablePluginChosen"); }
  void modifyConfigChosen(Controls&) override { note("modifyConfigChosen"); }
  void updatePluginChosen(Controls&) override { note("updatePluginChosen"); }
  void editPluginChosen(Controls&) override { note("editPluginChosen"); }
  void deletePluginChosen(Controls&) override { note("deletePluginChosen"); }
  void feedbackClicked(Controls&) override { note("feedbackClicked"); }
  // Where the window's clipboard passes run, as on the program's own actions.
  Workers& workers() { return workers_; }

 private:
  void note(const std::string& event);
  Workers workers_;
  std::mutex mutex_;
  std::vector<std::string> events_;
  std::vector<Text> dropped_;
};

// Left click, double-click and right-click (with its context-menu event) on a list row; row -1
// aims below the last row.
void ClickRow(QTreeWidget* list, int row);
void DoubleClickRow(QTreeWidget* list, int row);
void RightClickRow(QTreeWidget* list, int row);

// What a file manager hands over: the files as URLs, and their paths as text as well.
std::unique_ptr<QMimeData> FilesData(const std::vector<std::string>& paths);
// Drops `data` over the middle of `target` the way the desktop does: to the native window,
// which picks the control that takes drops there. The action taken, IgnoreAction when refused.
Qt::DropAction DropWith(QWidget* target, const QMimeData* data, Qt::DropActions offered);

// A shown main window over `actions`, with the program's paths in a fresh temporary directory.
class WindowFixture {
 public:
  explicit WindowFixture(WindowActions& actions);
  ~WindowFixture();
  MainWindow& window() { return *window_; }
  Controls& ui() { return window_->controls(); }
  TempDir& dir() { return dir_; }
  template <typename W>
  W* find(const char* name) {
    return window_->findChild<W*>(QString::fromUtf8(name));
  }
  // Makes the page holding `widget` the current one, so it can be clicked.
  void showPageOf(QWidget* widget);

 private:
  TempDir dir_;
  std::unique_ptr<MainWindow> window_;
};

}  // namespace pindle::test
