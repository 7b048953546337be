#pragma once
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QStatusBar>
#include <QTreeWidget>
#include <QWidget>
#include <array>
#include <atomic>
#include <mutex>
#include <optional>

#include "app/gui/actions/controls.h"

namespace pindle {

// The widgets the core reaches through Controls.
struct WindowWidgets {
  QWidget* window = nullptr;
  QTreeWidget* pluginList = nullptr;
  QTreeWidget* resultList = nullptr;
  QComboBox* pluginChoice = nullptr;
  QPlainTextEdit* longUrlBox = nullptr;
  QPlainTextEdit* feedbackBox = nullptr;
  std::array<QCheckBox*, kSettingBoxCount> settingBoxes{};  // by SettingBox
  std::array<QAction*, kMenuItemCount> menuItems{};         // by MenuItem
  QStatusBar* statusBar = nullptr;
  QProgressBar* batchProgress = nullptr;  // at the right of the status bar
};

class QtList final : public ListControl {
 public:
  explicit QtList(QTreeWidget* view) : view_(view) {}
  int rowCount() override;
  void clearRows() override;
  int appendRow(const std::vector<Text>& cells) override;
  void setRows(const std::vector<std::vector<Text>>& rows) override;
  Text cell(int row, int column) override;
  void setCell(int row, int column, const Text& text) override;
  int selectedRow() override;
  std::uint64_t revision() override { return revision_; }

 private:
  QTreeWidget* view_;
  std::atomic<std::uint64_t> revision_{0};
};

class QtChoice final : public ChoiceControl {
 public:
  explicit QtChoice(QComboBox* box) : box_(box) {}
  std::vector<Text> items() override;
  void setItems(const std::vector<Text>& items, int selected) override;
  int currentIndex() override;
  Text currentText() override;
  void setCurrentIndex(int index) override;
  void setMarked(const std::vector<ChoiceMark>& marked) override;

 private:
  QComboBox* box_;
};

class QtText final : public TextControl {
 public:
  explicit QtText(QPlainTextEdit* edit);
  Text text() override;
  // Raises the box's text-changed signal once, as typing does.
  void setText(const Text& text) override;
  std::uint64_t revision() override { return revision_; }

 private:
  QPlainTextEdit* edit_;
  std::atomic<std::uint64_t> revision_{0};  // counts the box's text-changed signals
};

class QtCheck final : public CheckControl {
 public:
  explicit QtCheck(QCheckBox* box) : box_(box) {}
  bool isChecked() override;
  // Sets the state without a click, so the box's click action (the settings write) does not run.
  void setChecked(bool checked) override;

 private:
  QCheckBox* box_;
};

class QtMenuItem final : public MenuItemControl {
 public:
  explicit QtMenuItem(QAction* action) : action_(action) {}
  bool isEnabled() override;
  void setEnabled(bool enabled) override;

 private:
  QAction* action_;
};

// What a batch pushes, gathered and shown once a frame on the window thread, so the batch never
// waits for the window and the window never lays out a row at a time.
class QtBatchView final : public BatchView {
 public:
  explicit QtBatchView(const WindowWidgets& widgets) : widgets_(widgets) {}
  void appendRow(const std::vector<Text>& cells, const Text& toolTip) override;
  void setStatusText(const Text& text) override;
  void setProgress(int done, int total) override;
  void flush() override;
  // A long batch that ends while the window is not the active one tells the desktop.
  void finished(int done, int failed) override;

 private:
  void schedule();
  void show();  // window thread

  WindowWidgets widgets_;
  std::mutex mutex_;
  std::vector<std::pair<std::vector<Text>, Text>> rows_;  // cells, tool tip
  std::optional<Text> status_;
  std::optional<std::pair<int, int>> progress_;
  bool scheduled_ = false;
};

// Controls over the real widgets. Every operation runs on the window thread (directly when the
// caller is there already, else as a blocking queued call), so any thread may use them.
class QtControls final : public Controls {
 public:
  explicit QtControls(const WindowWidgets& widgets);
  ListControl& pluginList() override { return pluginList_; }
  ListControl& resultList() override { return resultList_; }
  ChoiceControl& pluginChoice() override { return pluginChoice_; }
  TextControl& longUrlBox() override { return longUrl_; }
  TextControl& feedbackBox() override { return feedback_; }
  CheckControl& settingBox(SettingBox box) override { return boxes_[static_cast<size_t>(box)]; }
  MenuItemControl& menuItem(MenuItem item) override { return items_[static_cast<size_t>(item)]; }
  BatchView& batchView() override { return batchView_; }
  void setStatusText(const Text& text) override;
  Text statusText() override;
  int showNotice(const Notice& notice) override;
  void setAlwaysOnTop(bool on) override;
  void setClipboardText(const Text& text) override;
  bool discardFile(const Text& path) override;
  bool editPluginValues(const Text& pluginFile, const Text& reason) override;

 private:
  WindowWidgets widgets_;
  QtList pluginList_, resultList_;
  QtChoice pluginChoice_;
  QtText longUrl_, feedback_;
  std::array<QtCheck, kSettingBoxCount> boxes_;
  std::array<QtMenuItem, kMenuItemCount> items_;
  QtBatchView batchView_;
};

}  // namespace pindle
