#pragma once
#include <array>
#include <functional>
#include <mutex>
#include <utility>

#include "app/gui/actions/controls.h"

namespace pindle {

// Controls as plain in-memory tables, for the command line and for tests of the core.
// Every operation is safe to call from any thread.
class MemoryList : public ListControl {
 public:
  int rowCount() override;
  void clearRows() override;
  int appendRow(const std::vector<Text>& cells) override;
  void setRows(const std::vector<std::vector<Text>>& rows) override;
  Text cell(int row, int column) override;
  void setCell(int row, int column, const Text& text) override;
  int selectedRow() override;
  std::uint64_t revision() override;
  void select(int row);
  std::vector<std::vector<Text>> rows();

 private:
  std::mutex mutex_;
  std::vector<std::vector<Text>> rows_;
  int selected_ = -1;
  std::uint64_t revision_ = 0;
};

class MemoryChoice : public ChoiceControl {
 public:
  std::vector<Text> items() override;
  void setItems(const std::vector<Text>& items, int selected) override;
  int currentIndex() override;
  Text currentText() override;
  void setCurrentIndex(int index) override;
  void setMarked(const std::vector<ChoiceMark>& marked) override;
  std::vector<ChoiceMark> marked();

 private:
  std::mutex mutex_;
  std::vector<Text> items_;
  std::vector<ChoiceMark> marked_;
  int current_ = -1;
};

class MemoryText : public TextControl {
 public:
  Text text() override;
  void setText(const Text& text) override;
  std::uint64_t revision() override;
  // How often text() was read (a batch reads the box only after it changed).
  int reads();

 private:
  std::mutex mutex_;
  Text text_;
  std::uint64_t revision_ = 0;
  int reads_ = 0;
};

class MemoryCheck : public CheckControl {
 public:
  bool isChecked() override;
  void setChecked(bool checked) override;

 private:
  std::mutex mutex_;
  bool checked_ = false;
};

class MemoryMenuItem : public MenuItemControl {
 public:
  bool isEnabled() override;
  void setEnabled(bool enabled) override;

 private:
  std::mutex mutex_;
  bool enabled_ = true;
};

// Shows at once what a batch pushes.
class MemoryBatchView : public BatchView {
 public:
  explicit MemoryBatchView(Controls& ui) : ui_(ui) {}
  void appendRow(const std::vector<Text>& cells, const Text& toolTip) override;
  void setStatusText(const Text& text) override { ui_.setStatusText(text); }
  void setProgress(int done, int total) override;
  void flush() override {}
  // The last progress pushed: {done, total}.
  std::pair<int, int> progress();
  // The tool tip of every row appended, in order.
  std::vector<Text> toolTips();

 private:
  Controls& ui_;
  std::mutex mutex_;
  std::vector<Text> toolTips_;
  std::pair<int, int> progress_{0, 0};
};

class MemoryControls : public Controls {
 public:
  MemoryControls();
  ListControl& pluginList() override { return pluginList_; }
  ListControl& resultList() override { return resultList_; }
  ChoiceControl& pluginChoice() override { return pluginChoice_; }
  TextControl& longUrlBox() override { return longUrl_; }
  TextControl& feedbackBox() override { return feedback_; }
  CheckControl& settingBox(SettingBox box) override { return boxes_[static_cast<size_t>(box)]; }
  MenuItemControl& menuItem(MenuItem item) override { return items_[static_cast<size_t>(item)]; }
  MemoryBatchView& batchView() override { return batchView_; }
  void setStatusText(const Text& text) override;
  Text statusText() override;
  int showNotice(const Notice& notice) override;
  void setAlwaysOnTop(bool on) override;
  void setClipboardText(const Text& text) override;
  bool discardFile(const Text& path) override;
  // Noted, and answered as 取消: no form to fill here.
  bool editPluginValues(const Text& pluginFile, const Text& reason) override;

  MemoryList& plugins() { return pluginList_; }
  MemoryList& results() { return resultList_; }
  MemoryText& longUrl() { return longUrl_; }
  // Every status text set, in order.
  std::vector<Text> statusHistory();
  std::vector<Notice> notices();
  // The forms asked for: plug-in file and reason.
  std::vector<std::pair<Text, Text>> valueForms();
  bool alwaysOnTop();
  Text clipboard();
  // How showNotice answers (default: it times out at once). Also told the notice.
  void setNoticeAnswer(std::function<int(const Notice&)> answer);
  // Called with every status text as it is set (the command line prints some of them).
  void setStatusListener(std::function<void(const Text&)> listener);

 private:
  MemoryList pluginList_, resultList_;
  MemoryChoice pluginChoice_;
  MemoryText longUrl_, feedback_;
  std::array<MemoryCheck, kSettingBoxCount> boxes_;
  std::array<MemoryMenuItem, kMenuItemCount> items_;
  MemoryBatchView batchView_{*this};
  std::mutex mutex_;
  std::vector<Text> statusHistory_;
  std::vector<Notice> notices_;
  std::vector<std::pair<Text, Text>> valueForms_;
  bool alwaysOnTop_ = false;
  Text clipboard_;
  std::function<int(const Notice&)> noticeAnswer_;
  std::function<void(const Text&)> statusListener_;
};

}  // namespace pindle
