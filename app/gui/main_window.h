#pragma once
#include <QMenu>
#include <QTabWidget>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "app/gui/actions/window_actions.h"
#include "app/gui/history_page.h"
#include "app/gui/qt_controls.h"

namespace pindle {

class FallbackDialog;
class QrDialog;
class ReportList;

// How a control follows the window when it grows: its left and top edges move, and its width
// and height grow, by these shares of the extra width and height beyond the base size.
struct Growth {
  double left = 0, top = 0, width = 0, height = 0;
};
inline constexpr Growth kStays{};
inline constexpr Growth kFills{0, 0, 1, 1};
inline constexpr Growth kWidens{0, 0, 1, 0};
inline constexpr Growth kKeepsRight{1, 0, 0, 0};

// The program's only window: the tab control 功能选择 with its pages, the status bar, the
// file drop target and the two pop-up menus. It first shows at its base size with every control
// at its base place, and can grow: see Growth. Every widget carries its name as objectName. The
// window does only what is its own (the long-URL box's display mode, the batch switch, popping
// up menus); every other event goes to `actions`.
class MainWindow : public QWidget {
  Q_OBJECT
 public:
  explicit MainWindow(WindowActions& actions, QWidget* parent = nullptr);
  ~MainWindow() override;

  // The window as the core reaches it; usable from any thread.
  Controls& controls() { return *controls_; }
  // 二维码: the text's QR code in a dialog of its own, which deletes itself when closed.
  QrDialog* showQrCode(const Text& text);
  // 备用插件…: the dialog of its own, which deletes itself when closed.
  FallbackDialog* openFallbackDialog();

  // Puts a control of the desktop's conveniences on the 设定 page at `place` (relative to the
  // tab control's corner, like the page's own controls).
  void addToSettingsPage(QWidget* widget, const QString& name, const QRect& place, Growth growth = kStays);
  // While `hides` answers true, closing the window hides it instead of ending the program.
  void setHidesOnClose(std::function<bool()> hides) { hidesOnClose_ = std::move(hides); }

  // The client size at which every control stands at its base place; also the smallest size.
  static constexpr QSize kBaseSize{296, 372};

 protected:
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  // Closing the window stores its place, then ends the program at once; workers still running
  // are cut off.
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* addPage(const QString& caption);
  // Places `widget` on a page at `place`, given relative to the tab control's corner.
  template <typename W>
  W* onPage(W* widget, const QString& name, const QRect& place, Growth growth = kStays);
  // Keeps `widget` at `place` (relative to the client area, which the tab control's corner
  // shares) grown by `growth` whenever the window's size or the pages' corner changes.
  void placeAt(QWidget* widget, const QRect& place, Growth growth);
  void buildGeneratePage(WindowWidgets& widgets);
  void buildPluginPage(WindowWidgets& widgets);
  void buildSettingsPage(WindowWidgets& widgets);
  void buildAboutPage();
  void buildHistoryPage();
  void buildMenus(WindowWidgets& widgets);
  void bindEvents(const WindowWidgets& widgets);
  // The one place where every control's geometry follows from the window's size.
  void placeControls();
  void onBatchSwitchClicked();
  static void popUp(QMenu* menu);
  // The plug-in editor for a file (empty: a new plug-in), beside the window.
  void openPluginEditor(const Text& path);

  WindowActions& actions_;
  QTabWidget* tabs_ = nullptr;
  QWidget* currentPage_ = nullptr;
  struct Place {
    QWidget* widget;
    QRect base;
    Growth growth;
  };
  std::vector<Place> places_;
  QMenu* resultMenu_ = nullptr;
  QMenu* pluginMenu_ = nullptr;
  QMenu* newPluginMenu_ = nullptr;  // right-click beside the rows: 新建插件 alone
  QPlainTextEdit* longUrlBox_ = nullptr;
  QCheckBox* batchSwitch_ = nullptr;
  QComboBox* pluginChoice_ = nullptr;
  ReportList* resultList_ = nullptr;
  ReportList* pluginList_ = nullptr;
  std::unique_ptr<QtControls> controls_;
  HistoryPage::Widgets historyWidgets_;
  HistoryPage* history_ = nullptr;
  QWidget* settingsPage_ = nullptr;
  std::function<bool()> hidesOnClose_;
};

}  // namespace pindle
