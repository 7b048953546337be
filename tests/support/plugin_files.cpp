#include "tests/support/plugin_files.h"

#include <nlohmann/json.hpp>

#include "platform/codepage.h"

namespace pindle::test {

std::string PluginJson(const PluginFields& fields) {
  nlohmann::ordered_json j;
  j["Name"] = fields.name;
  j["Deploy"] = "false";
  j["Version"] = "1.0";
  j["Author"] = "测试";
  j["Updated"] = "2020-04-04";
  j["UpdateURL"] = fields.updateUrl;
  j["API"]["Type"] = fields.type;
  j["API"]["API Path"] = fields.path;
  j["API"]["Data"] = fields.data;
  j["API"]["Headers"] = fields.headers;
  j["Response"]["Type"] = fields.responseType;
  j["Response"]["Parameter"] = fields.parameter;
  j["Response"]["Prefix"] = fields.prefix;
  if (!fields.bodyType.empty()) j["API"]["BodyType"] = fields.bodyType;
  if (!fields.pattern.empty()) j["Response"]["Pattern"] = fields.pattern;
  if (!fields.resultPrefix.empty()) j["Response"]["ResultPrefix"] = fields.resultPrefix;
  if (!fields.encoding.empty()) j["Encoding"] = fields.encoding;
  if (!fields.fields.empty()) j["Fields"] = nlohmann::ordered_json::parse(fields.fields);
  return j.dump(2);
}

std::string WritePlugin(const TempDir& dir, const std::string& file, const PluginFields& fields, bool utf8) {
  const std::string text = PluginJson(fields);
  dir.write("Plug/" + file, utf8 ? text : Utf8ToGbk(text));
  return dir.file("Plug/" + file);
}

}  // namespace pindle::test
