#pragma once
#include "generate/shorten_engine.h"
#include "platform/types.h"
#include "plugins/plugin_definition.h"

namespace pindle {

// What the user stored for a plug-in's fields (Deploy/<Name>.ini and the secret store), as a run
// takes it: every field's value in force, why one could not be read, and the secrets to hide.
// A plug-in without "Fields" gives nothing, without asking the secret store.
ShortenInputs StoredPluginInputs(const PluginDefinition& plugin);
ShortenInputs StoredPluginInputs(const Text& pluginFile);

// Whether every field the plug-in's request uses has a value.
bool HasEveryUsedField(const PluginDefinition& plugin, const ShortenInputs& inputs);

}  // namespace pindle
