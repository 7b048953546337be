#pragma once
#include "generate/shorten_engine.h"
#include "platform/types.h"
#include "plugins/plugin_definition.h"

namespace pindle {

// What the user stored for a plug-in's fields (Deploy/<Name>.ini and the secret store), as a run
// takes it: every field's value in force, why one could not be read, the secrets to hide and
// where each stored secret may go (secrets/key_binding.h); a stored secret for which no origin
// is recorded yet (stored before they were) is bound to where the plug-in's request goes now.
// A plug-in without "Fields" gives nothing, without asking the secret store. `way`: how a missing
// value's reason tells the user to set it (the door's own way).
// `deployDir`: where the plug-in's configuration file is kept.
ShortenInputs StoredPluginInputs(const PluginDefinition& plugin, const Text& deployDir,
                                 ValueSetting way = ValueSetting::Command);
ShortenInputs StoredPluginInputs(const Text& pluginFile, const Text& deployDir,
                                 ValueSetting way = ValueSetting::Command);

// Whether every field the plug-in's request uses has a value it may take there (no stored key
// of it is bound to another origin).
bool HasEveryUsedField(const PluginDefinition& plugin, const ShortenInputs& inputs);

}  // namespace pindle
