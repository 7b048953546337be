#include "app/gui/plugin_fields_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/gui/text_convert.h"
#include "secrets/key_binding.h"

namespace pindle {

PluginFieldsDialog::PluginFieldsDialog(const Text& deployDir, const PluginDefinition& plugin, QWidget* parent)
    : PluginFieldsDialog(deployDir, plugin.name(), plugin.fields(), parent) {
  plugin_ = plugin;
}

PluginFieldsDialog::PluginFieldsDialog(const Text& deployDir, const Text& pluginName, std::vector<PluginField> fields,
                                       QWidget* parent)
    : QDialog(parent), store_(std::make_unique<FieldStore>(deployDir, pluginName, std::move(fields), secrets_)) {
  setObjectName(QStringLiteral("插件配置"));
  setWindowTitle(QStringLiteral("修改配置 - ") + ToQt(pluginName));
  confirmPlain = [this](const Text& reason, const Text& path) {
    return QMessageBox::question(this, QStringLiteral("修改配置"),
                                 ToQt(reason) + QStringLiteral("\n要把密钥明文保存到 ") + ToQt(path) +
                                     QStringLiteral("（只有本人可读）吗？")) == QMessageBox::Yes;
  };
  auto* layout = new QVBoxLayout(this);
  reason_ = new QLabel(this);
  reason_->setObjectName(QStringLiteral("配置原因"));
  reason_->setWordWrap(true);
  reason_->hide();
  layout->addWidget(reason_);
  auto* form = new QFormLayout;
  layout->addLayout(form);
  for (const FieldReading& r : store_->readAll()) {
    auto* box = new QLineEdit(this);
    box->setObjectName(ToQt(r.declared.name));
    Text shown;
    if (r.declared.secret) {
      box->setEchoMode(QLineEdit::Password);
      const bool stored = r.source == FieldSource::SecretService || r.source == FieldSource::PlainFile;
      box->setPlaceholderText(stored ? QStringLiteral("已保存（留空则不改）") : QStringLiteral("未设置"));
    } else {
      shown = r.value;
      box->setText(ToQt(shown));
      if (!r.declared.defaultValue.empty()) box->setPlaceholderText(ToQt(r.declared.defaultValue));
    }
    if (!r.problem.empty()) box->setToolTip(ToQt(r.problem));
    form->addRow(ToQt(r.declared.shownLabel()), box);
    boxes_.push_back(box);
    shown_.push_back(shown);
  }
  message_ = new QLabel(this);
  message_->setObjectName(QStringLiteral("配置消息"));
  message_->setWordWrap(true);
  message_->setText(ToQt(store_->problem()));
  layout->addWidget(message_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
  buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("确定"));
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    if (store()) accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void PluginFieldsDialog::setReason(const Text& reason) {
  reason_->setText(ToQt(reason));
  reason_->setVisible(!reason.empty());
}

bool PluginFieldsDialog::store() {
  if (!store_->problem().empty()) return false;
  QStringList said;
  bool ok = true;
  std::vector<Text> secretsSaved;
  bool addressMoved = false;  // a field the address is built from: the keys go with it
  const std::vector<PluginField>& fields = store_->fields();
  for (size_t i = 0; i < fields.size(); ++i) {
    const PluginField& f = fields[i];
    const Text value = FromQt(boxes_[i]->text());
    if (value == shown_[i]) continue;  // untouched; an empty secret box keeps the stored secret
    StoreOutcome outcome = value.empty() ? store_->unset(f.name) : store_->set(f.name, value);
    if (outcome.needsPlainConfirmation && confirmPlain(outcome.message, store_->configPath()))
      outcome = store_->set(f.name, value, /*plainConfirmed=*/true);
    ok = ok && outcome.ok;
    if (!outcome.ok || !outcome.message.empty()) said << ToQt(outcome.message);
    if (outcome.ok) {
      shown_[i] = f.secret ? Text() : value;
      if (f.secret) boxes_[i]->clear();
      if (f.secret && !value.empty()) secretsSaved.push_back(f.name);
      if (!f.secret && plugin_ && plugin_->apiPath().find(kFieldPlaceholderStart + f.name + "$") != Text::npos)
        addressMoved = true;
    }
  }
  if (plugin_ && (addressMoved || !secretsSaved.empty())) {
    const BindOutcome bound = BindSecrets(*plugin_, *store_, addressMoved ? std::vector<Text>() : secretsSaved);
    ok = ok && bound.ok;
    if (!bound.message.empty()) said << ToQt(bound.message);
  }
  message_->setText(said.join(QStringLiteral("\n")));
  return ok;
}

}  // namespace pindle
