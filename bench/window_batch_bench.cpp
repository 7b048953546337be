// A batch of N lines through the real window (offscreen platform, real widgets) beside the
// command line on the same loopback service and the same lines, in one run. Prints both rates,
// their ratio and the longest stall of the window's event loop during the batch.
// On a real X server (QT_QPA_PLATFORM=xcb, bench/window_xvfb_bench.sh) painting costs what the
// offscreen platform does not show. Usage: window_batch_bench [N]
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>
#include <filesystem>

#include "app/gui/actions/generate_actions.h"
#include "app/gui/actions/plugin_registry.h"
#include "app/gui/actions/program_actions.h"
#include "app/gui/main_window.h"
#include "config/app_paths.h"
#include "generate/generate_command.h"
#include "platform/background.h"
#include "tests/support/echo_service.h"
#include "tests/support/plugin_files.h"
#include "tests/support/process.h"

using namespace pindle;

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  const int count = argc > 1 ? std::atoi(argv[1]) : 10000;
  test::TempDir dir;
  test::EchoService service;
  test::WritePlugin(dir, "bench.json", {.name = "bench", .path = service.url("/x?")});
  std::string input;
  for (int i = 1; i <= count; ++i) input += "https://example.com/page/" + std::to_string(i) + "\n";

  // The command line, same plug-in, same lines.
  const std::string program = dir.file("pindle");
  std::filesystem::copy_file(PINDLE_BINARY, program);
  QElapsedTimer clock;
  clock.start();
  // The lines from a file, as a user redirects them: written into a pipe ahead of reading the
  // output, a large batch would fill both pipes and stop.
  dir.write("lines.txt", input);
  const auto cli =
      test::RunProcess({"/bin/sh", "-c", "exec \"$0\" shorten -p bench < \"$1\"", program, dir.file("lines.txt")},
                       {{"HOME", dir.path()}}, "", 600000);
  const double cliSeconds = clock.nsecsElapsed() / 1e9;
  const long cliLines = std::count(cli.out.begin(), cli.out.end(), '\n');

  SetPaths(AppPaths::FromProgramDirectory(dir.path()));
  ProgramActions actions;
  MainWindow window(actions);
  window.show();
  PluginRegistry::load(window.controls());
  window.findChild<QComboBox*>(QStringLiteral("生成_批量接口"))->setCurrentIndex(0);
  // As a user fills it: the lines pasted from the clipboard.
  auto* box = window.findChild<QPlainTextEdit*>(QStringLiteral("生成_长网址"));
  QGuiApplication::clipboard()->setText(QString::fromStdString(input));
  QCoreApplication::processEvents();
  box->setFocus();
  box->paste();
  auto* results = window.findChild<QTreeWidget*>(QStringLiteral("生成_结果列表"));
  QCoreApplication::processEvents();

  // A timer that should fire every millisecond: the longest gap between two firings is the
  // longest time the window did not answer.
  QEventLoop loop;
  QTimer ticker;
  ticker.setInterval(1);
  QElapsedTimer sinceTick;
  qint64 longestStallNs = 0;
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    longestStallNs = std::max(longestStallNs, sinceTick.nsecsElapsed());
    sinceTick.restart();
    if (!GenerationRunning() && WaitForDetached(std::chrono::milliseconds(0)) && results->topLevelItemCount() > 0)
      loop.quit();
  });
  clock.restart();
  sinceTick.start();
  ticker.start();
  window.findChild<QPushButton*>(QStringLiteral("生成_生成按钮"))->click();
  loop.exec();
  const double windowSeconds = clock.nsecsElapsed() / 1e9;
  const int rows = results->topLevelItemCount();

  const double cliRate = cliLines / cliSeconds, windowRate = rows / windowSeconds;
  std::printf("command line: %ld lines in %.2f s, %.0f lines/s\n", cliLines, cliSeconds, cliRate);
  std::printf("window:       %d rows in %.2f s, %.0f rows/s\n", rows, windowSeconds, windowRate);
  std::printf("window / command line rate: %.2f (target >= 0.9)\n", windowRate / cliRate);
  std::printf("longest event-loop stall: %.1f ms (target < 50)\n", longestStallNs / 1e6);
  std::fflush(stdout);
  std::_Exit(0);  // as the program does: no teardown of the window under a finished batch
}
