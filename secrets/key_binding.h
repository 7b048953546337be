#pragma once
#include <optional>
#include <vector>

#include "platform/types.h"
#include "plugins/plugin_definition.h"
#include "secrets/field_store.h"

namespace pindle {

// A stored key goes only where it was given: storing a secret (pindle config, 修改配置, an import)
// records the origin the plug-in's request went to then, and a request that would take it
// elsewhere is not sent (ShortenInputs::secretOrigins) until the user binds it anew.

// Where the plug-in's request goes with the values `store` holds (the secrets read only when the
// address names them): "scheme://host:port", empty when the file describes no request.
Text PresentOrigin(const PluginDefinition& plugin, const FieldStore& store);

// Binds the secret fields named (every secret stored when none is named) to the plug-in's present
// origin. `message`: one line saying where they go now, or why they could not be bound; empty
// when there is nothing to bind.
struct BindOutcome {
  bool ok = true;
  Text message;
};
BindOutcome BindSecrets(const PluginDefinition& plugin, FieldStore& store, std::vector<Text> fields = {});

// A plug-in whose stored key was given for another origin than its address names now.
struct MovedKey {
  Text plugin;               // its name
  Text from, to;             // as a person is told them (web/url_helpers.h ShownOrigin)
  Text origin;               // where the address points now
  std::vector<Text> fields;  // the secret fields bound elsewhere
  Text reason() const;       // KeyMovedReason
};
// The first such key of the plug-in; none when every bound secret it uses goes where it was given.
// Reads no secret the address does not name.
std::optional<MovedKey> FindMovedKey(const PluginDefinition& plugin, const FieldStore& store);

// The same for a plug-in file whose values are kept in `deployDir`.
std::optional<MovedKey> FindMovedKey(const Text& pluginFile, const Text& deployDir);
// The window's 确认 (and what pindle config NAME --trust does): the secrets named (every stored
// one when none is named) bound to where the plug-in's address points now.
BindOutcome TrustPresentOrigin(const Text& pluginFile, const Text& deployDir, const std::vector<Text>& fields = {});

}  // namespace pindle
