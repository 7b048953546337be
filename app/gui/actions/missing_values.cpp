#include "app/gui/actions/missing_values.h"

#include <optional>

#include "app/gui/actions/plugin_registry.h"
#include "generate/placeholders.h"
#include "plugins/plugin_definition.h"
#include "secrets/plugin_inputs.h"

namespace pindle {
namespace {

// Why the plug-in's request cannot go out for want of a value; none when it has them all.
std::optional<Text> MissingValue(const Text& pluginFile) {
  const PluginDefinition plugin = PluginDefinition::FromFile(pluginFile);
  // Without fields there is nothing to ask (and no secret store to wake).
  if (plugin.fields().empty()) return std::nullopt;
  const ShortenInputs inputs = StoredPluginInputs(plugin, Paths().deployDir, ValueSetting::Window);
  const std::vector<PluginField> used = plugin.usedFields();
  const PluginField* missing = FirstMissingField(used, inputs.fieldValues);
  if (!missing) return std::nullopt;
  Text reason = MissingFieldReason(plugin.name(), *missing, ValueSetting::Window);
  if (const auto problem = inputs.fieldProblems.find(missing->name); problem != inputs.fieldProblems.end())
    reason += "：" + problem->second;
  return reason;
}

bool CanServe(const Text& pluginFile) {
  const PluginDefinition plugin = PluginDefinition::FromFile(pluginFile);
  return HasEveryUsedField(plugin, StoredPluginInputs(plugin, Paths().deployDir, ValueSetting::Window));
}

}  // namespace

void AskForMissingValues(Controls& ui, const std::vector<Text>& pluginFiles) {
  if (pluginFiles.empty() || pluginFiles.front().empty()) return;
  const std::optional<Text> reason = MissingValue(pluginFiles.front());
  if (!reason) return;
  for (size_t i = 1; i < pluginFiles.size(); ++i)
    if (CanServe(pluginFiles[i])) return;  // a fallback takes the lines
  // Stored: the choice no longer marks it as waiting.
  if (ui.editPluginValues(pluginFiles.front(), *reason)) PluginRegistry::refreshChoice(ui);
}

}  // namespace pindle
