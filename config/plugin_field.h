#pragma once
#include <map>
#include <vector>

#include "platform/types.h"

namespace pindle {

// One value a plug-in asks its user for, as its file's "Fields" list gives it.
struct PluginField {
  Text name;   // the INI key in Deploy/<Name>.ini and the word in $Field:<name>$
  Text label;  // what the user is shown; the name when empty
  bool secret = false;
  Text defaultValue;

  const Text& shownLabel() const { return label.empty() ? name : label; }
};

inline constexpr const char* kConfigSection = "配置";

// Why `name` cannot be a plug-in's configuration file name (Deploy/<name>.ini) and INI key, or
// empty when it can. Checked before anything is written, so a name never leads elsewhere.
Text PluginNameProblem(const Text& name);
// Why `name` cannot be a field's INI key, or empty when it can.
Text FieldNameProblem(const Text& name);
// The first problem of a field list: a bad name, or two names that the INI file would read as one
// (they differ only in ASCII letter case); empty when there is none.
Text FieldListProblem(const std::vector<PluginField>& fields);
// Why `value` cannot be stored as a field's value, or empty when it can. A line break would end
// the INI line early and go out as a header line of its own.
Text FieldValueProblem(const Text& value);

// The first of `used` that has no value in `values`; nothing when every one has one.
const PluginField* FirstMissingField(const std::vector<PluginField>& used, const std::map<Text, Text>& values);

// The command that sets a field, as it can be pasted into a shell: "pindle config NAME Key=…".
Text SetFieldCommand(const Text& pluginName, const Text& fieldName);
// Where the user sets a plug-in's values: the command line has its command, the window its form.
enum class ValueSetting { Command, Window };
// The reason a line fails when a field the plug-in needs has no value, saying how to set it:
// "缺少配置：Label（pindle config NAME Key=…）", in the window "缺少配置：Label（在插件页右键该插件，选“修改配置”）".
Text MissingFieldReason(const Text& pluginName, const PluginField& field, ValueSetting way = ValueSetting::Command);

// Where the origins a stored secret was given for are kept: a section of Deploy/<Name>.ini, one
// key per secret field, its value the origins ("https://host:443") separated by blanks.
inline constexpr const char* kSecretOriginsSection = "密钥去处";
// The command that binds a plug-in's stored secrets to where its address points now.
Text TrustCommand(const Text& pluginName);
// The reason a line fails when its plug-in's address moved away from where its key was given:
// "Bitly 的地址已从 api-ssl.bitly.com 改为 x.example，密钥没有发送；确认后再用：pindle config Bitly --trust".
// `from` and `to` as a person is told them (web/url_helpers.h ShownOrigin).
Text KeyMovedReason(const Text& pluginName, const Text& from, const Text& to);

}  // namespace pindle
