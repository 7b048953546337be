#pragma once
#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>
#include <deque>

#include "platform/types.h"

namespace pindle {

// The program's icon in the desktop's tray (StatusNotifierItem where the desktop offers it,
// the XEmbed tray elsewhere) with its menu: 缩短剪贴板网址, the last five links (a click copies
// one), 显示窗口, 退出. A click on the icon shows the window.
class TrayIcon : public QObject {
  Q_OBJECT
 public:
  static constexpr int kRecentLinks = 5;
  explicit TrayIcon(QObject* parent);
  // Whether the desktop has a tray to show the icon in now.
  static bool available();
  void setVisible(bool visible);
  bool isVisible() const { return icon_->isVisible(); }
  QMenu* menu() { return menu_; }
  // Puts `link` first among the recent links (also kept while the history is off).
  void remember(const Text& link);

 signals:
  void shortenClipboardChosen();
  void showWindowChosen();
  void quitChosen();
  void linkChosen(const QString& link);

 private:
  // The newest links: from the history when it is kept, with this run's own in front.
  void refreshRecentLinks();
  QSystemTrayIcon* icon_;
  QMenu* menu_;
  QAction* recentEnd_;
  std::vector<QAction*> recent_;
  std::deque<Text> remembered_;
};

}  // namespace pindle
