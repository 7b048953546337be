#include "app/gui/fallback_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/gui/text_convert.h"
#include "app/gui/window_fonts.h"
#include "config/fallback_plugins.h"
#include "text/text_utils.h"

namespace pindle {
namespace {

template <typename W>
W* Named(W* widget, const char* name) {
  widget->setObjectName(QString::fromUtf8(name));
  return widget;
}

}  // namespace

FallbackDialog::FallbackDialog(const std::vector<Text>& pluginNames, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("备用插件"));
  setWindowTitle(QStringLiteral("备用插件"));
  setFont(WindowFont(12));  // a window of its own: the main window's font does not pass to it
  auto* hint = new QLabel(QStringLiteral("所选插件没有给出短网址的行，依次交给勾选的插件："));
  hint->setWordWrap(true);
  list_ = Named(new QListWidget, "备用插件_列表");

  // The stored names first, in their order, then every other plug-in once.
  std::vector<Text> names;
  const std::vector<Text> stored = FallbackPluginsSetting();
  auto listed = [&](const Text& name) {
    for (const Text& n : names)
      if (EqualsIgnoreAsciiCase(n, name)) return true;
    return false;
  };
  for (const Text& name : stored)
    if (!listed(name)) names.push_back(name);
  for (const Text& name : pluginNames)
    if (!name.empty() && !listed(name)) names.push_back(name);
  for (size_t i = 0; i < names.size(); ++i) {
    auto* item = new QListWidgetItem(ToQt(names[i]), list_);
    // A name holding "|" cannot be stored between the bars.
    if (names[i].find('|') != Text::npos) {
      item->setFlags(item->flags() & ~Qt::ItemIsEnabled);
      item->setToolTip(QStringLiteral("插件名含有“|”，不能作备用插件"));
    }
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(i < stored.size() ? Qt::Checked : Qt::Unchecked);
  }

  auto* up = Named(new QPushButton(QStringLiteral("上移")), "备用插件_上移");
  auto* down = Named(new QPushButton(QStringLiteral("下移")), "备用插件_下移");
  connect(up, &QPushButton::clicked, this, [this] { move(-1); });
  connect(down, &QPushButton::clicked, this, [this] { move(1); });
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  Named(buttons->button(QDialogButtonBox::Ok), "备用插件_确定")->setText(QStringLiteral("确定"));
  Named(buttons->button(QDialogButtonBox::Cancel), "备用插件_取消")->setText(QStringLiteral("取消"));
  connect(buttons, &QDialogButtonBox::accepted, this, &FallbackDialog::store);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* moves = new QVBoxLayout;
  moves->addWidget(up);
  moves->addWidget(down);
  moves->addStretch();
  auto* middle = new QHBoxLayout;
  middle->addWidget(list_);
  middle->addLayout(moves);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(hint);
  layout->addLayout(middle);
  layout->addWidget(buttons);
  resize(280, 300);
}

std::vector<Text> FallbackDialog::chosen() const {
  std::vector<Text> names;
  for (int i = 0; i < list_->count(); ++i) {
    const QListWidgetItem* item = list_->item(i);
    if (item->checkState() == Qt::Checked && (item->flags() & Qt::ItemIsEnabled)) names.push_back(FromQt(item->text()));
  }
  return names;
}

void FallbackDialog::move(int by) {
  const int row = list_->currentRow();
  const int to = row + by;
  if (row < 0 || to < 0 || to >= list_->count()) return;
  QListWidgetItem* item = list_->takeItem(row);
  list_->insertItem(to, item);
  list_->setCurrentRow(to);
}

void FallbackDialog::store() {
  const std::vector<Text> names = chosen();
  const bool stored = WriteFallbackPluginsSetting(names);
  emit saved(stored, names);
  accept();
}

}  // namespace pindle
