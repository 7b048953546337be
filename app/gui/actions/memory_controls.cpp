#include "app/gui/actions/memory_controls.h"

#include "platform/files.h"

namespace pindle {

int MemoryList::rowCount() {
  std::lock_guard lock(mutex_);
  return static_cast<int>(rows_.size());
}
void MemoryList::clearRows() {
  std::lock_guard lock(mutex_);
  ++revision_;
  rows_.clear();
  selected_ = -1;
}
int MemoryList::appendRow(const std::vector<Text>& cells) {
  std::lock_guard lock(mutex_);
  ++revision_;
  rows_.push_back(cells);
  return static_cast<int>(rows_.size()) - 1;
}
void MemoryList::setRows(const std::vector<std::vector<Text>>& rows) {
  std::lock_guard lock(mutex_);
  ++revision_;
  rows_ = rows;
  selected_ = -1;
}
Text MemoryList::cell(int row, int column) {
  std::lock_guard lock(mutex_);
  if (row < 0 || column < 0 || row >= static_cast<int>(rows_.size())) return {};
  const auto& r = rows_[static_cast<size_t>(row)];
  return column < static_cast<int>(r.size()) ? r[static_cast<size_t>(column)] : Text();
}
void MemoryList::setCell(int row, int column, const Text& text) {
  std::lock_guard lock(mutex_);
  ++revision_;
  if (row < 0 || column < 0 || row >= static_cast<int>(rows_.size())) return;
  auto& r = rows_[static_cast<size_t>(row)];
  if (column >= static_cast<int>(r.size())) r.resize(static_cast<size_t>(column) + 1);
  r[static_cast<size_t>(column)] = text;
}
std::uint64_t MemoryList::revision() {
  std::lock_guard lock(mutex_);
  return revision_;
}
int MemoryList::selectedRow() {
  std::lock_guard lock(mutex_);
  return selected_;
}
void MemoryList::select(int row) {
  std::lock_guard lock(mutex_);
  selected_ = (row >= 0 && row < static_cast<int>(rows_.size())) ? row : -1;
}
std::vector<std::vector<Text>> MemoryList::rows() {
  std::lock_guard lock(mutex_);
  return rows_;
}

std::vector<Text> MemoryChoice::items() {
  std::lock_guard lock(mutex_);
  return items_;
}
void MemoryChoice::setItems(const std::vector<Text>& items, int selected) {
  std::lock_guard lock(mutex_);
  items_ = items;
  marked_.clear();
  current_ = (selected >= 0 && selected < static_cast<int>(items_.size())) ? selected : -1;
}
int MemoryChoice::currentIndex() {
  std::lock_guard lock(mutex_);
  return current_;
}
Text MemoryChoice::currentText() {
  std::lock_guard lock(mutex_);
  return current_ >= 0 ? items_[static_cast<size_t>(current_)] : Text();
}
void MemoryChoice::setCurrentIndex(int index) {
  std::lock_guard lock(mutex_);
  current_ = (index >= 0 && index < static_cast<int>(items_.size())) ? index : -1;
}

void MemoryChoice::setMarked(const std::vector<ChoiceMark>& marked) {
  std::lock_guard lock(mutex_);
  marked_ = marked;
  marked_.resize(items_.size());
}
std::vector<ChoiceMark> MemoryChoice::marked() {
  std::lock_guard lock(mutex_);
  std::vector<ChoiceMark> marked = marked_;
  marked.resize(items_.size());
  return marked;
}

Text MemoryText::text() {
  std::lock_guard lock(mutex_);
  ++reads_;
  return text_;
}
std::uint64_t MemoryText::revision() {
  std::lock_guard lock(mutex_);
  return revision_;
}
int MemoryText::reads() {
  std::lock_guard lock(mutex_);
  return reads_;
}
void MemoryText::setText(const Text& text) {
  std::lock_guard lock(mutex_);
  ++revision_;
  text_ = text;
}

bool MemoryCheck::isChecked() {
  std::lock_guard lock(mutex_);
  return checked_;
}
void MemoryCheck::setChecked(bool checked) {
  std::lock_guard lock(mutex_);
  checked_ = checked;
}

bool MemoryMenuItem::isEnabled() {
  std::lock_guard lock(mutex_);
  return enabled_;
}
void MemoryMenuItem::setEnabled(bool enabled) {
  std::lock_guard lock(mutex_);
  enabled_ = enabled;
}

MemoryControls::MemoryControls() {
  items_[static_cast<size_t>(MenuItem::ModifyConfig)].setEnabled(false);
  items_[static_cast<size_t>(MenuItem::StopGeneration)].setEnabled(false);
}

void MemoryControls::setStatusText(const Text& text) {
  std::function<void(const Text&)> listener;
  {
    std::lock_guard lock(mutex_);
    statusHistory_.push_back(text);
    listener = statusListener_;
  }
  if (listener) listener(text);
}
Text MemoryControls::statusText() {
  std::lock_guard lock(mutex_);
  return statusHistory_.empty() ? Text() : statusHistory_.back();
}
int MemoryControls::showNotice(const Notice& notice) {
  std::function<int(const Notice&)> answer;
  {
    std::lock_guard lock(mutex_);
    notices_.push_back(notice);
    answer = noticeAnswer_;
  }
  return answer ? answer(notice) : kNoticeTimedOut;
}
void MemoryControls::setAlwaysOnTop(bool on) {
  std::lock_guard lock(mutex_);
  alwaysOnTop_ = on;
}
void MemoryControls::setClipboardText(const Text& text) {
  std::lock_guard lock(mutex_);
  clipboard_ = text;
}
bool MemoryControls::discardFile(const Text& path) { return RemoveFile(path); }
bool MemoryControls::editPluginValues(const Text& pluginFile, const Text& reason) {
  std::lock_guard lock(mutex_);
  valueForms_.emplace_back(pluginFile, reason);
  return false;
}
std::vector<std::pair<Text, Text>> MemoryControls::valueForms() {
  std::lock_guard lock(mutex_);
  return valueForms_;
}

std::vector<Text> MemoryControls::statusHistory() {
  std::lock_guard lock(mutex_);
  return statusHistory_;
}
std::vector<Notice> MemoryControls::notices() {
  std::lock_guard lock(mutex_);
  return notices_;
}
bool MemoryControls::alwaysOnTop() {
  std::lock_guard lock(mutex_);
  return alwaysOnTop_;
}
Text MemoryControls::clipboard() {
  std::lock_guard lock(mutex_);
  return clipboard_;
}
void MemoryControls::setNoticeAnswer(std::function<int(const Notice&)> answer) {
  std::lock_guard lock(mutex_);
  noticeAnswer_ = std::move(answer);
}
void MemoryControls::setStatusListener(std::function<void(const Text&)> listener) {
  std::lock_guard lock(mutex_);
  statusListener_ = std::move(listener);
}

void MemoryBatchView::appendRow(const std::vector<Text>& cells, const Text& toolTip) {
  std::lock_guard lock(mutex_);
  ui_.resultList().appendRow(cells);
  toolTips_.push_back(toolTip);
}

std::vector<Text> MemoryBatchView::toolTips() {
  std::lock_guard lock(mutex_);
  return toolTips_;
}

void MemoryBatchView::setProgress(int done, int total) {
  std::lock_guard lock(mutex_);
  progress_ = {done, total};
}
std::pair<int, int> MemoryBatchView::progress() {
  std::lock_guard lock(mutex_);
  return progress_;
}

}  // namespace pindle
