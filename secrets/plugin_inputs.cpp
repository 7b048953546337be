#include "secrets/plugin_inputs.h"

#include <algorithm>
#include <optional>

#include "config/app_paths.h"
#include "generate/placeholders.h"
#include "secrets/field_store.h"
#include "secrets/secret_service.h"

namespace pindle {

ShortenInputs StoredPluginInputs(const PluginDefinition& plugin, const Text& deployDir, ValueSetting way) {
  ShortenInputs inputs;
  inputs.valueSetting = way;
  std::vector<PluginField> fields = plugin.fields();
  if (fields.empty()) return inputs;
  const SecretService secrets;
  FieldStore store(deployDir, plugin.name(), std::move(fields), secrets);
  const std::vector<FieldReading> readings = store.readAll();
  for (const FieldReading& r : readings) {
    if (!r.value.empty()) inputs.fieldValues[r.declared.name] = r.value;
    if (!r.problem.empty()) inputs.fieldProblems[r.declared.name] = r.problem;
    if (r.declared.secret && !r.value.empty()) inputs.secrets.push_back(r.value);
  }
  // Where each stored secret may go. One stored before bindings were kept is bound to the origin
  // of its first use, which is now.
  std::optional<Text> present;
  for (const FieldReading& r : readings) {
    const bool stored = r.source == FieldSource::SecretService || r.source == FieldSource::PlainFile;
    if (!r.declared.secret || !stored || r.value.empty()) continue;
    std::vector<Text> bound = store.boundOrigins(r.declared.name);
    if (bound.empty()) {
      if (!present) present = RequestOrigin(plugin, inputs.fieldValues);
      if (present->empty()) continue;
      store.bind(r.declared.name, {*present});  // kept in memory all the same when it cannot be written
      bound = {*present};
    }
    inputs.secretOrigins[r.declared.name] = std::move(bound);
  }
  return inputs;
}

ShortenInputs StoredPluginInputs(const Text& pluginFile, const Text& deployDir, ValueSetting way) {
  return StoredPluginInputs(PluginDefinition::FromFile(pluginFile), deployDir, way);
}

bool HasEveryUsedField(const PluginDefinition& plugin, const ShortenInputs& inputs) {
  const std::vector<PluginField> used = plugin.usedFields();
  if (FirstMissingField(used, inputs.fieldValues) != nullptr) return false;
  // A key bound to another origin than the request's is as good as none.
  std::optional<Text> present;
  for (const PluginField& f : used) {
    const auto bound = inputs.secretOrigins.find(f.name);
    if (bound == inputs.secretOrigins.end() || bound->second.empty()) continue;
    if (!present) present = RequestOrigin(plugin, inputs.fieldValues);
    if (std::find(bound->second.begin(), bound->second.end(), *present) == bound->second.end()) return false;
  }
  return true;
}

}  // namespace pindle
