#include "secrets/imported_secrets.h"

#include "config/app_paths.h"
#include "config/plugin_field.h"
#include "plugins/plugin_definition.h"
#include "secrets/field_store.h"
#include "secrets/secret_service.h"

namespace pindle {

Text StoreImportedSecrets(const SxcuImport& import, bool plain) {
  if (!import.ok() || import.secrets.empty()) return {};
  const SecretService secrets;
  FieldStore store(Paths().deployDir, import.name, PluginDefinition::FromFile(import.written).fields(), secrets);
  if (!store.problem().empty()) return "密钥没有保存：" + store.problem();
  Text line;
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
      if (outcome.needsPlainConfirmation)
        said += "；" + field + " 没有保存（加 --plain 存入 " + store.configPath() + "，只有本人可读）";
    }
    line += (line.empty() ? "" : "；") + said;
  }
  return line;
}

}  // namespace pindle
