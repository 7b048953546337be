#include "app/gui/qt_shell_open.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>

#include "app/gui/on_window_thread.h"
#include "app/gui/text_convert.h"
#include "platform/shell_open.h"

namespace pindle {

QUrl ShellOpenTarget(const Text& target) {
  const QString text = ToQt(target).trimmed();
  if (text.isEmpty()) return {};
  if (text.startsWith(QLatin1Char('/')) || QFileInfo::exists(text))
    return QUrl::fromLocalFile(QFileInfo(text).absoluteFilePath());
  return QUrl::fromUserInput(text);
}

void InstallShellOpenHandler() {
  SetShellOpenHandler([](const Text& target) {
    const QUrl url = ShellOpenTarget(target);
    if (!url.isValid()) return false;
    return OnWindowThread(QCoreApplication::instance(), [&url] { return QDesktopServices::openUrl(url); });
  });
}

}  // namespace pindle
