#include "secrets/imported_secrets.h"

#include "config/app_paths.h"
#include "config/plugin_field.h"
#include "plugins/plugin_definition.h"
#include "secrets/field_store.h"
#include "secrets/key_binding.h"
#include "secrets/secret_service.h"

namespace pindle {

Text StoreImportedSecrets(const SxcuImport& import, bool plain, const Text& deployDir) {
  if (!import.ok() || import.secrets.empty()) return {};
  const SecretService secrets;
  const PluginDefinition plugin = PluginDefinition::FromFile(import.written);
  FieldStore store(deployDir, import.name, plugin.fields(), secrets);
  if (!store.problem().empty()) return "密钥没有保存：" + store.problem();
  Text line;
  std::vector<Text> imported;  // the fields whose key the import stored
  for (const auto& [field, value] : import.secrets) {
    const FieldReading stored = store.read(field);
    Text said;
    if (stored.source == FieldSource::SecretService || stored.source == FieldSource::PlainFile) {
      said = field + " 已有保存的值，没有改动";
    } else if (value.empty()) {
      said = field + " 是空的，请用 " + SetFieldCommand(import.name, field) + " 设置";
    } else {
      const StoreOutcome outcome = store.set(field, value, plain);
      said = outcome.message;
      if (outcome.ok) imported.push_back(field);
      if (outcome.needsPlainConfirmation)
        said += "；" + field + " 没有保存（加 --plain 存入 " + store.configPath() + "，只有本人可读）";
    }
    line += (line.empty() ? "" : "；") + said;
  }
  // The keys go only where the imported uploader sends them.
  if (!imported.empty())
    if (const BindOutcome bound = BindSecrets(plugin, store, imported); !bound.message.empty())
      line += "；" + bound.message;
  return line;
}

}  // namespace pindle
