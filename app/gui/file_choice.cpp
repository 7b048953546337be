#include "app/gui/file_choice.h"

#include <QFileDialog>
#include <optional>

namespace pindle {
namespace {

std::optional<QString> nextAnswer;

std::optional<QString> TakeNextAnswer() {
  std::optional<QString> answer = std::move(nextAnswer);
  nextAnswer.reset();
  return answer;
}

}  // namespace

QString ChooseFileToOpen(QWidget* owner, const QString& title, const QString& filter) {
  if (std::optional<QString> answer = TakeNextAnswer()) return *answer;
  return QFileDialog::getOpenFileName(owner, title, QString(), filter);
}

QString ChooseFileToSave(QWidget* owner, const QString& title, const QString& suggested, const QString& filter) {
  if (std::optional<QString> answer = TakeNextAnswer()) return *answer;
  return QFileDialog::getSaveFileName(owner, title, suggested, filter);
}

void AnswerNextFileChoice(const QString& path) { nextAnswer = path; }

}  // namespace pindle
