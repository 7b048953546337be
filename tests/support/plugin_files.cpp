#include "tests/support/plugin_files.h"

#include <nlohmann/json.hpp>

#include "platform/codepage.h"

namespace pindle::test {

std::string PluginJson(const PluginSpec& spec) {
  nlohmann::ordered_json j;
  j["Name"] = spec.name;
  j["Deploy"] = "false";
  j["Version"] = "1.0";
  j["Author"] = "测试";
  j["Updated"] = "2020-04-04";
  j["UpdateURL"] = spec.updateUrl;
  j["API"]["Type"] = spec.type;
  j["API"]["API Path"] = spec.path;
  j["API"]["Data"] = spec.data;
  j["API"]["Headers"] = spec.headers;
  j["Response"]["Type"] = spec.responseType;
  j["Response"]["Parameter"] = spec.parameter;
  j["Response"]["Prefix"] = spec.prefix;
  return j.dump(2);
}

std::string WritePlugin(const TempDir& dir, const std::string& file, const PluginSpec& spec, bool utf8) {
  const std::string text = PluginJson(spec);
  dir.write("Plug/" + file, utf8 ? text : Utf8ToGbk(text));
  return dir.file("Plug/" + file);
}

}  // namespace pindle::test
