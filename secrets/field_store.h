#pragma once
#include <vector>

#include "config/plugin_config_file.h"
#include "config/plugin_field.h"
#include "platform/types.h"
#include "secrets/secret_service.h"

namespace pindle {

// Where a field's value in force comes from.
enum class FieldSource { Unset, Default, ConfigFile, SecretService, PlainFile };

struct FieldReading {
  PluginField declared;
  Text value;  // the stored value, else the default
  FieldSource source = FieldSource::Unset;
  Text problem;  // why a secret could not be read; the value is then empty
};

// A field as a list shows it: secret values masked.
struct ListedField {
  PluginField declared;
  Text shown;  // the value, or kSecretMask for a secret that has one
  Text where;  // where the value lives, in words
};

struct StoreOutcome {
  bool ok = false;
  // Where the value is now, or why it was not stored; one line.
  Text message;
  // No secret store to put a secret in: stored in the plain configuration file only when the
  // caller asks again with `plainConfirmed`.
  bool needsPlainConfirmation = false;
};

// The values a plug-in's user supplies for its fields. Values that are not secret live in the
// plug-in's configuration file; secrets in the desktop's secret store, or, where none runs and the
// user has confirmed it, in the configuration file made readable by its owner alone.
class FieldStore {
 public:
  FieldStore(const Text& deployDir, const Text& pluginName, std::vector<PluginField> fields,
             const SecretService& secrets);

  // Why nothing can be stored for this plug-in (its name, its field list); empty when it can.
  const Text& problem() const { return problem_; }
  const std::vector<PluginField>& fields() const { return fields_; }
  const Text& configPath() const { return file_.path(); }

  FieldReading read(const Text& field) const;
  std::vector<FieldReading> readAll() const;
  std::vector<ListedField> list() const;
  // Every secret value in force, for MaskSecrets.
  std::vector<Text> secretValues() const;

  // Storing a secret forgets where the one before was given (secrets/key_binding.h binds it).
  StoreOutcome set(const Text& field, const Text& value, bool plainConfirmed = false);
  StoreOutcome unset(const Text& field);

  // Where a stored secret was given: the origins ("scheme://host:port") its value may go to, kept
  // in the section kSecretOriginsSection of the configuration file; none when none is recorded.
  std::vector<Text> boundOrigins(const Text& field) const;
  // Records them; empty, or why they could not be recorded.
  Text bind(const Text& field, const std::vector<Text>& origins);

 private:
  const PluginField* declared(const Text& field) const;
  Text secretKey(const PluginField& field) const;
  // Why secrets cannot go to the secret store now; asked only when `field` (any field when null) is secret.
  Text storeReason(const PluginField* field) const;
  FieldReading readDeclared(const PluginField& field, const Text& storeReason) const;
  StoreOutcome setSecret(const PluginField& field, const Text& value, bool plainConfirmed);
  StoreOutcome storeSecret(const PluginField& field, const Text& value, bool plainConfirmed);

  Text pluginName_;
  std::vector<PluginField> fields_;
  const SecretService& secrets_;
  PluginConfigFile file_;
  PluginConfigFile origins_;  // the same file, another section
  Text problem_;
};

}  // namespace pindle
