#include "tests/gui/gui_test_support.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QMimeData>
#include <QTabWidget>
#include <QTest>
#include <QUrl>
#include <QWindow>
#include <algorithm>
#include <atomic>
#include <thread>

#include "config/app_paths.h"

namespace pindle::test {

bool SpinUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > timeout.count()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

bool RunOnWorker(const std::function<void()>& work, std::chrono::milliseconds timeout) {
  std::atomic<bool> finished = false;
  std::thread worker([&] {
    work();
    finished = true;
  });
  const bool inTime = SpinUntil([&] { return finished.load(); }, timeout);
  // Still running means a deadlock: keep spinning so the thread can be joined at all.
  SpinUntil([&] { return finished.load(); }, std::chrono::hours(1));
  worker.join();
  return inTime;
}

std::vector<std::string> RecordingActions::events() {
  std::lock_guard lock(mutex_);
  return events_;
}

std::vector<Text> RecordingActions::droppedPaths() {
  std::lock_guard lock(mutex_);
  return dropped_;
}

void RecordingActions::settingBoxClicked(Controls&, SettingBox box) {
  note("settingBoxClicked:" + std::to_string(static_cast<int>(box)));
}

void RecordingActions::filesDropped(Controls&, const std::vector<Text>& paths) {
  {
    std::lock_guard lock(mutex_);
    dropped_ = paths;
  }
  note("filesDropped");
}

void RecordingActions::note(const std::string& event) {
  std::lock_guard lock(mutex_);
  events_.push_back(event);
}

namespace {
QPoint RowPoint(QTreeWidget* list, int row) {
  if (row < 0) return QPoint(10, list->viewport()->height() - 5);
  // Rows wider than the view have their centre out of sight: aim inside the view.
  const QRect rect = list->visualItemRect(list->topLevelItem(row));
  return QPoint(std::min(rect.center().x(), list->viewport()->width() / 2), rect.center().y());
}
}  // namespace

void ClickRow(QTreeWidget* list, int row) {
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, RowPoint(list, row));
}

void DoubleClickRow(QTreeWidget* list, int row) {
  const QPoint at = RowPoint(list, row);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

void RightClickRow(QTreeWidget* list, int row) {
  const QPoint at = RowPoint(list, row);
  QTest::mouseClick(list->viewport(), Qt::RightButton, {}, at);
  QContextMenuEvent event(QContextMenuEvent::Mouse, at, list->viewport()->mapToGlobal(at));
  QCoreApplication::sendEvent(list->viewport(), &event);
}

std::unique_ptr<QMimeData> FilesData(const std::vector<std::string>& paths) {
  auto data = std::make_unique<QMimeData>();
  QList<QUrl> urls;
  QStringList lines;
  for (const auto& path : paths) {
    urls << QUrl::fromLocalFile(QString::fromStdString(path));
    lines << QString::fromStdString(path);
  }
  data->setUrls(urls);
  data->setText(lines.join(QLatin1Char('\n')));
  return data;
}

Qt::DropAction DropWith(QWidget* target, const QMimeData* data, Qt::DropActions offered) {
  QWindow* window = target->window()->windowHandle();
  const QPoint at = target->mapTo(target->window(), target->rect().center());
  QDragEnterEvent enter(at, offered, data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(window, &enter);
  if (!enter.isAccepted()) {
    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(window, &leave);
    return Qt::IgnoreAction;
  }
  QDropEvent drop(QPointF(at), offered, data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(window, &drop);
  return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
}

WindowFixture::WindowFixture(WindowActions& actions) {
  SetPaths(AppPaths::FromProgramDirectory(dir_.path()));
  window_ = std::make_unique<MainWindow>(actions);
  window_->show();
  QCoreApplication::processEvents();
}

void WindowFixture::showPageOf(QWidget* widget) {
  auto* tabs = find<QTabWidget>("功能选择");
  for (int page = 0; page < tabs->count(); ++page)
    if (tabs->widget(page)->isAncestorOf(widget)) tabs->setCurrentIndex(page);
  QCoreApplication::processEvents();
}

WindowFixture::~WindowFixture() {
  window_.reset();
  SetPaths(AppPaths{});
}

}  // namespace pindle::test
