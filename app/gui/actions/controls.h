#pragma once
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <typeindex>
#include <typeinfo>
#include <vector>

#include "platform/types.h"

namespace pindle {

// The window as the core sees it: exactly the control operations the core's procedures use.
// The Qt window implements them with real widgets (each call a synchronous request to the
// window thread, so any thread may call them); the command line and the core tests use the
// in-memory tables of memory_controls.h.

class ListControl {
 public:
  virtual ~ListControl() = default;
  virtual int rowCount() = 0;
  virtual void clearRows() = 0;
  // Appends a row and returns its index; missing cells are empty.
  virtual int appendRow(const std::vector<Text>& cells) = 0;
  // Replaces every row at once.
  virtual void setRows(const std::vector<std::vector<Text>>& rows) = 0;
  // The cell's text; empty for a row or column that does not exist.
  virtual Text cell(int row, int column) = 0;
  virtual void setCell(int row, int column, const Text& text) = 0;
  virtual int selectedRow() = 0;  // -1 when no row is selected
  // Grows with every change made through this interface, so a reader can keep a copy of a row
  // and read it again only after a change. Needs no round trip to the window.
  virtual std::uint64_t revision() = 0;
};

// Why an item of a choice is unlikely to work: shown "× NAME" (it failed of late) and
// "NAME（待配置）" (it waits for a value, such as its key).
struct ChoiceMark {
  bool dead = false;
  bool waitsForValues = false;
  bool operator==(const ChoiceMark&) const = default;
};

class ChoiceControl {
 public:
  virtual ~ChoiceControl() = default;
  virtual std::vector<Text> items() = 0;
  // Replaces the items and selects `selected` (-1: nothing) in one step.
  virtual void setItems(const std::vector<Text>& items, int selected) = 0;
  virtual int currentIndex() = 0;  // -1 when nothing is chosen
  virtual Text currentText() = 0;
  virtual void setCurrentIndex(int index) = 0;
  // Marks the items (by index; missing ones unmarked) that are unlikely to work, their texts and
  // the choice unchanged.
  virtual void setMarked(const std::vector<ChoiceMark>& marked) = 0;
};

class TextControl {
 public:
  virtual ~TextControl() = default;
  virtual Text text() = 0;
  virtual void setText(const Text& text) = 0;
  // Grows with every change of the text, typed or set; needs no round trip to the window.
  virtual std::uint64_t revision() = 0;
};

class CheckControl {
 public:
  virtual ~CheckControl() = default;
  virtual bool isChecked() = 0;
  virtual void setChecked(bool checked) = 0;
};

class MenuItemControl {
 public:
  virtual ~MenuItemControl() = default;
  virtual bool isEnabled() = 0;
  virtual void setEnabled(bool enabled) = 0;
};

// The settings check boxes of the 设定 page.
enum class SettingBox {
  AlwaysOnTop,
  AutoUpdate,
  AutoLoad,
  DoubleClickToggle,
  DoubleClickCopy,
  IgnoreCertificateErrors,
  RecordHistory,
  ReuseLinks
};
inline constexpr size_t kSettingBoxCount = 8;

// Menu items whose state the core sets.
enum class MenuItem { CopyUrl, OpenUrl, EnablePlugin, DisablePlugin, ModifyConfig, StopGeneration };
inline constexpr std::size_t kMenuItemCount = 6;

inline constexpr int kNoticeOk = 0;
inline constexpr int kNoticeCancel = 1;
inline constexpr int kNoticeTimedOut = 31999;
inline constexpr int kButtonsOk = 0;
inline constexpr int kButtonsOkCancel = 1;

struct Notice {
  Text message;
  int buttons = kButtonsOk;
  Text title = "友情提醒";
  int timeoutMs = 5000;  // none when zero or less
  Text okText;           // the OK button's words; empty: the toolkit's own
};

// What a running batch shows: pushed without waiting for the window, which may gather them and
// show them at screen rate, in the order pushed.
class BatchView {
 public:
  virtual ~BatchView() = default;
  // A row of 生成_结果列表; a non-empty `toolTip` is shown over it (why the line gave no link).
  virtual void appendRow(const std::vector<Text>& cells, const Text& toolTip) = 0;
  virtual void setStatusText(const Text& text) = 0;
  // The batch's progress; total 0 hides it.
  virtual void setProgress(int done, int total) = 0;
  // Returns once everything pushed so far is shown.
  virtual void flush() = 0;
  // The batch ended: `done` lines passed, `failed` of them without a link.
  virtual void finished(int /*done*/, int /*failed*/) {}
};

class Controls {
 public:
  virtual ~Controls() = default;
  virtual ListControl& pluginList() = 0;      // 插件_插件列表
  virtual ListControl& resultList() = 0;      // 生成_结果列表
  virtual ChoiceControl& pluginChoice() = 0;  // 生成_批量接口
  virtual TextControl& longUrlBox() = 0;      // 生成_长网址
  virtual TextControl& feedbackBox() = 0;     // 设定_反馈内容
  virtual CheckControl& settingBox(SettingBox box) = 0;
  virtual MenuItemControl& menuItem(MenuItem item) = 0;
  virtual BatchView& batchView() = 0;

  virtual void setStatusText(const Text& text) = 0;
  virtual Text statusText() = 0;
  // A modal box that closes by itself: the pressed button (kNoticeOk, kNoticeCancel) or kNoticeTimedOut.
  virtual int showNotice(const Notice& notice) = 0;
  virtual void setAlwaysOnTop(bool on) = 0;
  virtual void setClipboardText(const Text& text) = 0;
  // Deletes a file the user chose to delete: into the desktop trash where there is one.
  virtual bool discardFile(const Text& path) = 0;
  // 修改配置 of the plug-in in `pluginFile`, with `reason` (why it opens now) above its fields;
  // waits for the user. True when 确定 stored the values, false for 取消.
  virtual bool editPluginValues(const Text& pluginFile, const Text& reason) = 0;

  // What the procedures keep beside the controls (the loaded plug-ins, …): one object of each
  // type, made on first use, living as long as the controls. Any thread may ask for it; the
  // object guards its own state.
  template <class T>
  T& kept() {
    const std::lock_guard lock(keptMutex_);
    std::shared_ptr<void>& slot = kept_[std::type_index(typeid(T))];
    if (!slot) slot = std::make_shared<T>();
    return *static_cast<T*>(slot.get());
  }

 private:
  std::mutex keptMutex_;
  std::map<std::type_index, std::shared_ptr<void>> kept_;
};

}  // namespace pindle
