#include "plugins/plugin_definition.h"

#include <nlohmann/json.hpp>
#include <utility>

#include "plugins/plugin_file.h"
#include "text/text_utils.h"

namespace pindle {

PluginDefinition PluginDefinition::FromFile(const Text& path) { return FromText(ReadPluginFileText(path)); }

PluginDefinition PluginDefinition::FromText(const Text& text) {
  PluginDefinition definition;
  definition.parsed_ = definition.document_.Parse(text);
  return definition;
}

PluginDefinition PluginDefinition::FromDocument(const JsonDocument& document) {
  PluginDefinition definition;
  definition.document_ = document;
  definition.parsed_ = document.TypeOf() == JsonType::Object;
  return definition;
}

BodyType ReadBodyType(const Text& value) {
  if (EqualsIgnoreAsciiCase(value, "json")) return BodyType::Json;
  if (EqualsIgnoreAsciiCase(value, "form")) return BodyType::Form;
  if (EqualsIgnoreAsciiCase(value, "multipart")) return BodyType::Multipart;
  return BodyType::Classic;
}

ResponseType ReadResponseType(const Text& value) {
  static constexpr std::pair<const char*, ResponseType> kTypes[] = {{"0", ResponseType::Whole},
                                                                    {"1", ResponseType::JsonValue},
                                                                    {"2", ResponseType::PrefixedJsonValue},
                                                                    {"3", ResponseType::Between},
                                                                    {"4", ResponseType::JsonValueBetween},
                                                                    {kPatternResponseType, ResponseType::Pattern}};
  for (const auto& [text, type] : kTypes)
    if (value == text) return type;
  return ResponseType::Unknown;
}

PluginEncoding ReadPluginEncoding(const Text& value) {
  const Text v = ToLowerAscii(Trim(value));
  if (v == "utf-8" || v == "utf8") return PluginEncoding::Utf8;
  if (v == "gbk" || v == "cp936" || v == "gb2312" || v == "gb18030") return PluginEncoding::Gbk;
  return PluginEncoding::Unset;
}

std::vector<PluginField> PluginDefinition::fields() const {
  std::vector<PluginField> out;
  const auto list = nlohmann::json::parse(document_.GetMemberJson(kPluginFieldsKey), nullptr, false);
  if (!list.is_array()) return out;
  auto text = [](const nlohmann::json& v) -> Text {
    if (v.is_string()) return v.get<std::string>();
    if (v.is_number() || v.is_boolean()) return v.dump();
    return {};
  };
  for (const auto& entry : list) {
    if (!entry.is_object()) continue;
    PluginField field;
    field.name = text(entry.value("Name", nlohmann::json()));
    if (field.name.empty()) continue;
    field.label = text(entry.value("Label", nlohmann::json()));
    const auto secret = entry.value("Secret", nlohmann::json());
    field.secret = secret.is_boolean() ? secret.get<bool>() : EqualsIgnoreAsciiCase(text(secret), "true");
    field.defaultValue = text(entry.value("Default", nlohmann::json()));
    out.push_back(std::move(field));
  }
  return out;
}

bool TakesAlias(const Text& address, const Text& data, const Text& headers) {
  for (const Text* text : {&address, &data, &headers})
    if (Contains(*text, kAliasPlaceholder, true)) return true;
  return false;
}

bool PluginDefinition::usesAlias() const { return TakesAlias(apiPath(), apiData(), apiHeaders()); }

std::vector<PluginField> FieldsUsedIn(const std::vector<PluginField>& fields, const Text& texts) {
  std::vector<PluginField> used;
  for (const PluginField& f : fields)
    if (Contains(texts, kFieldPlaceholderStart + f.name + "$")) used.push_back(f);
  return used;
}

std::vector<PluginField> PluginDefinition::usedFields() const {
  return FieldsUsedIn(fields(), apiPath() + "\n" + apiData() + "\n" + apiHeaders());
}

}  // namespace pindle
