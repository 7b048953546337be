// Renders each page of the main window to a PNG, to look at the layout and the Chinese text
// without a display: render_tabs [output directory] (default "render").
#include <QApplication>
#include <QDate>
#include <QDir>
#include <QListWidget>
#include <QMenu>
#include <QTabWidget>
#include <QTreeWidget>
#include <cstdio>

#include "app/gui/clicks_chart.h"
#include "app/gui/desktop_integration.h"
#include "app/gui/fallback_dialog.h"
#include "app/gui/main_window.h"
#include "app/gui/tray_icon.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  const QString directory = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("render");
  if (!QDir().mkpath(directory)) {
    std::fprintf(stderr, "cannot create %s\n", qPrintable(directory));
    return 1;
  }

  pindle::WindowActions noActions;
  pindle::Workers workers;
  pindle::MainWindow window(noActions);
  // The desktop's switches on the 设定 page; no settings file, so each shows its default.
  pindle::DesktopIntegration desktop(window, window.controls(), "", workers);
  window.show();
  // A few rows and a URL, so that the columns and the boxes show with content.
  auto& ui = window.controls();
  ui.longUrlBox().setText("https://127.0.0.1/a/very/long/path/that/wraps/in/the/box?query=1&other=2");
  ui.resultList().setRows({{"新浪短网址", "http://t.cn/A6abcdE"}, {"百度短网址", "数据错误！"}});
  ui.pluginList().setRows(
      {{"新浪短网址", "是", "无", "1.0.2", "Pindle", "2020-04-04", "/x/Plug/sina.json", "正常（2026-12-09）",
        "检测于 2026-12-09 10:30:00：正常，用时 182 毫秒"},
       {"百度短网址", "否", "有", "1.1", "某人", "2020-03-26", "/x/Plug/baidu.json", "", ""},
       {"is.gd", "是", "无", "1.0", "Pindle", "2024-05-01", "/x/Plug/isgd.json", "失败（2026-12-09）",
        "检测于 2026-12-09 10:30:00：失败，用时 3012 毫秒\n原因：无法连接服务器"}});
  ui.pluginChoice().setItems({"新浪短网址", "is.gd"}, 0);
  ui.pluginChoice().setMarked({{}, {.dead = true}});

  const char* names[] = {"1-generate", "2-plugins", "3-settings", "4-about", "5-history"};
  auto* tabs = window.findChild<QTabWidget*>(QStringLiteral("功能选择"));
  for (int page = 0; page < tabs->count(); ++page) {
    tabs->setCurrentIndex(page);
    QApplication::processEvents();
    const QString file = QDir(directory).filePath(QStringLiteral("tab-%1.png").arg(QString::fromLatin1(names[page])));
    if (!window.grab().save(file)) {
      std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
      return 1;
    }
    std::printf("%s\n", qPrintable(file));
  }
  auto save = [&](QWidget& widget, const char* name) {
    const QString file = QDir(directory).filePath(QString::fromLatin1(name));
    if (!widget.grab().save(file)) {
      std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
      return false;
    }
    std::printf("%s\n", qPrintable(file));
    return true;
  };
  // The 历史 page with counts in its 点击 column, one row deleted at its service, one that failed,
  // and the chart of the selected row's clicks by day; at the base size and grown.
  tabs->setCurrentIndex(4);
  QApplication::processEvents();
  auto* history = window.findChild<QTreeWidget*>(QStringLiteral("历史_列表"));
  history->addTopLevelItems({new QTreeWidgetItem({"Kutt", "https://kutt.it/abc12", "https://127.0.0.1/spring/sale",
                                                  "2026-12-09 10:30:00", "1530", "", "3"}),
                             new QTreeWidgetItem({"Shlink", "https://s.example/x9", "https://127.0.0.1/news",
                                                  "2026-12-08 18:02:11", "37", "", "2"}),
                             new QTreeWidgetItem({"Kutt", "https://kutt.it/old", "https://127.0.0.1/old",
                                                  "2026-12-01 09:00:00", "已删除", "", "1"})});
  history->topLevelItem(1)->setToolTip(1, QStringLiteral("刷新点击失败：HTTP 401：Unauthorized."));
  history->topLevelItem(0)->setSelected(true);
  std::vector<pindle::DayClicks> days;
  const int perDay[] = {3,  5,  2,  8,  13, 21, 34, 30, 28, 40, 52, 47, 61, 55, 70,
                        66, 80, 74, 90, 85, 60, 44, 38, 52, 49, 33, 27, 20, 12, 25};
  for (int i = 0; i < 30; ++i)
    days.push_back({QDate(2026, 11, 11).addDays(i).toString(Qt::ISODate).toStdString(), perDay[i]});
  window.findChild<pindle::ClicksChart*>(QStringLiteral("历史_点击图表"))->showSeries("https://kutt.it/abc12", days);
  window.controls().setStatusText("刷新点击完成：成功 2 个，失败 1 个（HTTP 401：Unauthorized.）");
  QApplication::processEvents();
  if (!save(window, "history-clicks.png")) return 1;
  window.resize(640, 520);
  QApplication::processEvents();
  if (!save(window, "history-clicks-wide.png")) return 1;
  window.resize(pindle::MainWindow::kBaseSize);

  // The plug-in list wide enough to show its 状态 column.
  tabs->setCurrentIndex(1);
  window.resize(560, 372);
  QApplication::processEvents();
  if (!save(window, "plugin-list-status.png")) return 1;
  window.resize(pindle::MainWindow::kBaseSize);
  // 备用插件… with two plug-ins ticked, in their order.
  pindle::FallbackDialog dialog({"新浪短网址", "百度短网址", "is.gd", "TinyURL"}, &window);
  auto* list = dialog.findChild<QListWidget*>(QStringLiteral("备用插件_列表"));
  list->item(3)->setCheckState(Qt::Checked);
  list->item(0)->setCheckState(Qt::Checked);
  list->insertItem(0, list->takeItem(3));
  list->setCurrentRow(0);
  dialog.show();
  QApplication::processEvents();
  if (!save(dialog, "fallback-dialog.png")) return 1;
  dialog.hide();

  // The tray icon's menu as the XEmbed tray pops it up, with two recent links.
  pindle::TrayIcon tray(nullptr);
  tray.remember("http://t.cn/A6abcdE");
  tray.remember("https://is.gd/xYz12");
  QMenu* menu = tray.menu();
  menu->adjustSize();
  const QString file = QDir(directory).filePath(QStringLiteral("tray-menu.png"));
  if (!menu->grab().save(file)) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
    return 1;
  }
  std::printf("%s\n", qPrintable(file));
  return 0;
}
