// Opens the plug-in editor the way the menu does, runs 测试 and saves the dialog with its trace
// as a PNG: render_editor PROGRAM_DIR LONG_URL OUTPUT.png. PROGRAM_DIR holds Plug/ with the
// plug-in to edit (the first row). Runs on whatever platform Qt is given (Xvfb or offscreen).
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QThread>
#include <QTreeWidget>
#include <cstdio>

#include "app/gui/actions/plugin_registry.h"
#include "app/gui/main_window.h"
#include "app/gui/plugin_editor_dialog.h"
#include "config/app_paths.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: render_editor PROGRAM_DIR LONG_URL OUTPUT.png\n");
    return 2;
  }
  QApplication application(argc, argv);
  pindle::SetPaths(pindle::AppPaths::FromProgramDirectory(argv[1]));
  pindle::WindowActions noActions;
  pindle::MainWindow window(noActions);
  window.show();
  auto wait = [](const std::function<bool()>& done) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 20000) {
      QApplication::processEvents(QEventLoop::AllEvents, 50);
      QThread::msleep(10);
    }
    return done();
  };
  // The load runs off the window thread, as 插件_刷新 runs it.
  QThread* loader = QThread::create([&window] { pindle::PluginRegistry::load(window.controls()); });
  loader->start();
  auto* list = window.findChild<QTreeWidget*>(QStringLiteral("插件_插件列表"));
  if (!wait([&] { return loader->isFinished() && list->topLevelItemCount() > 0; })) return 1;
  list->setCurrentItem(list->topLevelItem(0));
  window.findChild<QMenu*>(QStringLiteral("插件菜单"))->findChild<QAction*>(QStringLiteral("在窗口中编辑"))->trigger();
  auto* editor = window.findChild<pindle::PluginEditorDialog*>(QStringLiteral("插件编辑"));
  if (!editor) return 1;
  editor->findChild<QLineEdit*>(QStringLiteral("测试网址"))->setText(QString::fromLocal8Bit(argv[2]));
  editor->findChild<QPushButton*>(QStringLiteral("测试"))->click();
  auto* trace = editor->findChild<QPlainTextEdit*>(QStringLiteral("测试结果"));
  if (!wait([&] { return trace->toPlainText().contains(QStringLiteral("【结果】")); })) return 1;
  // Let the screen settle for a screenshot taken from outside.
  QElapsedTimer settle;
  settle.start();
  wait([&] { return settle.elapsed() > 1500; });
  if (!editor->grab().save(QString::fromLocal8Bit(argv[3]))) return 1;
  std::printf("%s\n", argv[3]);
  std::fflush(stdout);
  return 0;
}
