#pragma once
#include <QMenu>
#include <QTabWidget>
#include <QWidget>
#include <memory>
#include <utility>
#include <vector>

#include "app/gui/qt_controls.h"
#include "app/window_actions.h"

namespace pindle {

class ReportList;

// The program's only window: the tab control 功能选择 with its four pages, the status bar, the
// file drop target and the two pop-up menus. Every widget carries its name as objectName. The
// window does only what is its own (the long-URL box's display mode, the batch switch, popping
// up menus); every other event goes to `actions`.
class MainWindow : public QWidget {
  Q_OBJECT
 public:
  explicit MainWindow(WindowActions& actions, QWidget* parent = nullptr);
  ~MainWindow() override;

  // The window as the core reaches it; usable from any thread.
  Controls& controls() { return *controls_; }

 protected:
  void showEvent(QShowEvent* event) override;
  // Closing the window ends the program at once; workers still running are cut off.
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* addPage(const QString& caption);
  // Places `widget` on a page at `place`, given relative to the tab control's corner.
  template <typename W>
  W* onPage(W* widget, const QString& name, const QRect& place);
  void buildGeneratePage(WindowWidgets& widgets);
  void buildPluginPage(WindowWidgets& widgets);
  void buildSettingsPage(WindowWidgets& widgets);
  void buildAboutPage();
  void buildMenus(WindowWidgets& widgets);
  void bindEvents(const WindowWidgets& widgets);
  void placePageControls();
  void onBatchSwitchClicked();
  static void popUp(QMenu* menu);
  // The plug-in editor for a file (empty: a new plug-in), beside the window.
  void openPluginEditor(const Text& path);

  WindowActions& actions_;
  QTabWidget* tabs_ = nullptr;
  QWidget* currentPage_ = nullptr;
  std::vector<std::pair<QWidget*, QRect>> pagePlaces_;
  QMenu* resultMenu_ = nullptr;
  QMenu* pluginMenu_ = nullptr;
  QPlainTextEdit* longUrlBox_ = nullptr;
  QCheckBox* batchSwitch_ = nullptr;
  QComboBox* pluginChoice_ = nullptr;
  ReportList* resultList_ = nullptr;
  ReportList* pluginList_ = nullptr;
  std::unique_ptr<QtControls> controls_;
};

}  // namespace pindle
