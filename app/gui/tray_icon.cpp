#include "app/gui/tray_icon.h"

#include <QApplication>
#include <QIcon>
#include <QStyle>
#include <algorithm>

#include "app/gui/text_convert.h"
#include "app/gui/window_fonts.h"
#include "config/settings.h"
#include "history/history_store.h"
#include "web/link_check.h"

namespace pindle {
namespace {

constexpr int kMenuFontPixels = 12;
constexpr int kHistoryLooked = 50;

QIcon ProgramIcon() {
  QIcon icon = QApplication::windowIcon();
  if (icon.isNull()) icon = QIcon::fromTheme(QStringLiteral("io.github.pindle.Pindle"));
  // Without an installed icon the tray still needs something to show.
  if (icon.isNull()) icon = QApplication::style()->standardIcon(QStyle::SP_ComputerIcon);
  return icon;
}

}  // namespace

TrayIcon::TrayIcon(QObject* parent) : QObject(parent) {
  menu_ = new QMenu;
  menu_->setObjectName(QStringLiteral("托盘菜单"));
  menu_->setFont(WindowFont(kMenuFontPixels));
  auto item = [this](const QString& caption) {
    QAction* action = menu_->addAction(caption);
    action->setObjectName(caption);
    return action;
  };
  connect(item(QStringLiteral("缩短剪贴板网址")), &QAction::triggered, this, &TrayIcon::shortenClipboardChosen);
  menu_->addSeparator();
  // The entries exist from the start and are only shown, hidden and renamed: a desktop that
  // shows the menu over D-Bus keeps the ids it read.
  for (int i = 0; i < kRecentLinks; ++i) {
    QAction* action = menu_->addAction(QString());
    action->setObjectName(QStringLiteral("最近的短网址"));
    action->setVisible(false);
    connect(action, &QAction::triggered, this, [this, action] { emit linkChosen(action->data().toString()); });
    recent_.push_back(action);
  }
  recentEnd_ = menu_->addSeparator();
  connect(item(QStringLiteral("显示窗口")), &QAction::triggered, this, &TrayIcon::showWindowChosen);
  connect(item(QStringLiteral("退出")), &QAction::triggered, this, &TrayIcon::quitChosen);
  connect(menu_, &QMenu::aboutToShow, this, &TrayIcon::refreshRecentLinks);
  refreshRecentLinks();

  icon_ = new QSystemTrayIcon(ProgramIcon(), this);
  icon_->setToolTip(QStringLiteral("Pindle 短网址"));
  icon_->setContextMenu(menu_);
  connect(icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
    {
      FILE* f = fopen("/tmp/pindle-close.log", "a");
      fprintf(f, "activated %d\n", int(reason));
      fclose(f);
    }
    if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick) emit showWindowChosen();
  });
}

bool TrayIcon::available() { return QSystemTrayIcon::isSystemTrayAvailable(); }

void TrayIcon::setVisible(bool visible) { icon_->setVisible(visible); }

void TrayIcon::remember(const Text& link) {
  remembered_.erase(std::remove(remembered_.begin(), remembered_.end(), link), remembered_.end());
  remembered_.push_front(link);
  if (remembered_.size() > static_cast<size_t>(kRecentLinks)) remembered_.pop_back();
  refreshRecentLinks();
}

void TrayIcon::refreshRecentLinks() {
  std::vector<Text> links(remembered_.begin(), remembered_.end());
  if (RecordHistorySetting()) {
    for (const HistoryEntry& entry : HistoryStore(HistoryFile(Paths())).find("", kHistoryLooked)) {
      if (links.size() >= static_cast<size_t>(kRecentLinks)) break;
      if (!entry.failure.empty() || !IsLink(entry.result)) continue;
      if (std::find(links.begin(), links.end(), entry.result) == links.end()) links.push_back(entry.result);
    }
  }
  links.resize(std::min(links.size(), static_cast<size_t>(kRecentLinks)));
  recentEnd_->setVisible(!links.empty());
  for (size_t i = 0; i < recent_.size(); ++i) {
    QAction* action = recent_[i];
    const bool used = i < links.size();
    action->setVisible(used);
    if (!used) continue;
    const QString link = ToQt(links[i]);
    action->setData(link);
    action->setText(link);
  }
}

}  // namespace pindle
