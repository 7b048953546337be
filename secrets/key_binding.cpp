#include "secrets/key_binding.h"

#include <algorithm>

#include "config/app_paths.h"
#include "generate/placeholders.h"
#include "generate/shorten_engine.h"
#include "secrets/secret_service.h"
#include "text/text_utils.h"
#include "web/url_helpers.h"

namespace pindle {
namespace {

bool Stored(const FieldReading& r) {
  return r.source == FieldSource::SecretService || r.source == FieldSource::PlainFile;
}

}  // namespace

Text PresentOrigin(const PluginDefinition& plugin, const FieldStore& store) {
  const Text address = plugin.apiPath();
  std::map<Text, Text> values;
  for (const PluginField& f : store.fields()) {
    // A secret is read only when the address itself names it (a secret server's address).
    if (f.secret && !Contains(address, kFieldPlaceholderStart + f.name + "$")) continue;
    const FieldReading r = store.read(f.name);
    if (!r.value.empty()) values[f.name] = r.value;
  }
  return RequestOrigin(plugin, values);
}

BindOutcome BindSecrets(const PluginDefinition& plugin, FieldStore& store, std::vector<Text> fields) {
  if (!store.problem().empty()) return {};
  if (fields.empty())
    for (const FieldReading& r : store.readAll())
      if (r.declared.secret && Stored(r)) fields.push_back(r.declared.name);
  if (fields.empty()) return {};
  const Text origin = PresentOrigin(plugin, store);
  if (origin.empty()) return {};
  for (const Text& field : fields)
    if (Text problem = store.bind(field, {origin}); !problem.empty())
      return {.ok = false, .message = "没能记下密钥的去处：" + problem};
  return {.message = plugin.name() + " 的密钥只发往 " + origin};
}

Text MovedKey::reason() const { return KeyMovedReason(plugin, from, to); }

std::optional<MovedKey> FindMovedKey(const PluginDefinition& plugin, const FieldStore& store) {
  if (!store.problem().empty()) return std::nullopt;
  std::optional<Text> present;
  MovedKey moved;
  for (const PluginField& f : plugin.usedFields()) {
    if (!f.secret) continue;
    const std::vector<Text> bound = store.boundOrigins(f.name);
    if (bound.empty()) continue;
    if (!present) present = PresentOrigin(plugin, store);
    if (present->empty() || std::find(bound.begin(), bound.end(), *present) != bound.end()) continue;
    if (moved.fields.empty()) {
      moved.from = ShownOrigin(bound.front(), *present);
      moved.to = ShownOrigin(*present, bound.front());
    }
    moved.fields.push_back(f.name);
  }
  if (moved.fields.empty()) return std::nullopt;
  moved.plugin = plugin.name();
  moved.origin = *present;
  return moved;
}

std::optional<MovedKey> FindMovedKey(const Text& pluginFile, const Text& deployDir) {
  const PluginDefinition plugin = PluginDefinition::FromFile(pluginFile);
  std::vector<PluginField> fields = plugin.fields();
  if (fields.empty()) return std::nullopt;
  const SecretService secrets;
  const FieldStore store(deployDir, plugin.name(), std::move(fields), secrets);
  return FindMovedKey(plugin, store);
}

BindOutcome TrustPresentOrigin(const Text& pluginFile, const Text& deployDir, const std::vector<Text>& fields) {
  const PluginDefinition plugin = PluginDefinition::FromFile(pluginFile);
  std::vector<PluginField> declared = plugin.fields();
  if (declared.empty()) return {};
  const SecretService secrets;
  FieldStore store(deployDir, plugin.name(), std::move(declared), secrets);
  return BindSecrets(plugin, store, fields);
}

}  // namespace pindle
