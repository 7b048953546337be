#pragma once
#include <QString>
#include <QWidget>

namespace pindle {

// The toolkit's file dialogs, with a way for tests to answer the next one ahead of time.
// An empty path: the user cancelled.
QString ChooseFileToOpen(QWidget* owner, const QString& title, const QString& filter);
QString ChooseFileToSave(QWidget* owner, const QString& title, const QString& suggested, const QString& filter);

// For tests: the next file dialog answers `path` at once and is never shown.
void AnswerNextFileChoice(const QString& path);

}  // namespace pindle
