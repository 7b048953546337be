#pragma once
#include <QDialog>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/types.h"
#include "plugins/plugin_definition.h"
#include "secrets/field_store.h"
#include "secrets/secret_service.h"

class QLabel;
class QLineEdit;

namespace pindle {

// 修改配置 for a plug-in with "Fields": one box per field (a password box for a secret), saved on
// 确定. A secret box starts empty; left empty it keeps what is stored. Where no secret store runs,
// a secret is kept in the plug-in's configuration file only after the user agrees. A secret
// saved is bound to where the plug-in's request goes then (secrets/key_binding.h).
class PluginFieldsDialog : public QDialog {
  Q_OBJECT
 public:
  PluginFieldsDialog(const Text& deployDir, const PluginDefinition& plugin, QWidget* parent = nullptr);
  // Without the plug-in's file: no secret is bound (it is bound where it is first used).
  PluginFieldsDialog(const Text& deployDir, const Text& pluginName, std::vector<PluginField> fields,
                     QWidget* parent = nullptr);

  // Asks whether a secret may go into the plain file; the reason and the file's path are given.
  // By default a question box.
  std::function<bool(const Text& reason, const Text& path)> confirmPlain;

  // Stores what the boxes hold; true when everything was stored (the dialog then closes).
  bool store();
  // Why the form opens now (a batch found a value missing), shown above the fields.
  void setReason(const Text& reason);

 private:
  SecretService secrets_;
  std::optional<PluginDefinition> plugin_;
  std::unique_ptr<FieldStore> store_;
  std::vector<QLineEdit*> boxes_;
  std::vector<Text> shown_;  // what each box held when the dialog opened
  QLabel* message_ = nullptr;
  QLabel* reason_ = nullptr;
};

}  // namespace pindle
