#include "secrets/plugin_inputs.h"

#include "config/app_paths.h"
#include "generate/placeholders.h"
#include "secrets/field_store.h"
#include "secrets/secret_service.h"

namespace pindle {

ShortenInputs StoredPluginInputs(const PluginDefinition& plugin) {
  ShortenInputs inputs;
  std::vector<PluginField> fields = plugin.fields();
  if (fields.empty()) return inputs;
  const SecretService secrets;
  const FieldStore store(Paths().deployDir, plugin.name(), std::move(fields), secrets);
  for (const FieldReading& r : store.readAll()) {
    if (!r.value.empty()) inputs.fieldValues[r.declared.name] = r.value;
    if (!r.problem.empty()) inputs.fieldProblems[r.declared.name] = r.problem;
    if (r.declared.secret && !r.value.empty()) inputs.secrets.push_back(r.value);
  }
  return inputs;
}

ShortenInputs StoredPluginInputs(const Text& pluginFile) {
  return StoredPluginInputs(PluginDefinition::FromFile(pluginFile));
}

bool HasEveryUsedField(const PluginDefinition& plugin, const ShortenInputs& inputs) {
  return FirstMissingField(UsedFields(plugin), inputs.fieldValues) == nullptr;
}

}  // namespace pindle
