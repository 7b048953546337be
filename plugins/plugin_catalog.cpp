#include "plugins/plugin_catalog.h"

#include "config/plugin_config_file.h"
#include "history/history_store.h"
#include "json/json_document.h"
#include "platform/files.h"
#include "plugins/plugin_file.h"
#include "text/text_utils.h"

namespace pindle {
namespace {

Text ListingText(const JsonDocument& document, const char* key) {
  switch (document.TypeOf(key)) {
    case JsonType::String:
    case JsonType::Number:
    case JsonType::Boolean:
      return document.GetText(key);
    default:
      return {};
  }
}

Text SwitchOf(const Text& name, const Settings::Section& switches) {
  // An empty name has no switch entry and so reads empty: such a plug-in is never offered.
  if (name.empty()) return {};
  // Whatever key the file holds belongs to another name.
  if (!SwitchKeyProblem(name).empty()) return kSwitchOn;
  return switches.find(name).value_or(kSwitchOn);
}

}  // namespace

bool PluginInfo::declaresConfiguration() const { return DeployCellText(deploy) == "有"; }

PluginInfo PluginInfo::Read(const Text& path, const Settings::Section& switches) {
  // A document of this plug-in's own: loads on several threads never share one.
  JsonDocument document;
  const bool parsed = document.Parse(ReadPluginFileText(path));
  PluginInfo info;
  info.path = path;
  info.name = ListingText(document, kPluginNameKey);
  info.switchState = SwitchOf(info.name, switches);
  info.deploy = ListingText(document, kPluginDeployKey);
  info.version = ListingText(document, kPluginVersionKey);
  info.author = ListingText(document, kPluginAuthorKey);
  info.updated = ListingText(document, kPluginUpdatedKey);
  if (!parsed) return info;
  const PluginDefinition definition = PluginDefinition::FromDocument(document);
  info.updateUrl = definition.updateUrl();
  info.request = {definition.apiType(),    definition.apiPath(),  definition.apiData(),
                  definition.apiHeaders(), definition.bodyType(), definition.encoding()};
  info.response = {definition.responseKind(), definition.responseParameter(), definition.responsePrefix(),
                   definition.read(kPluginResponsePatternKey), definition.read(kPluginResponseResultPrefixKey)};
  // Most plug-ins declare no fields: the list is only parsed when there is one.
  if (document.TypeOf(kPluginFieldsKey) == JsonType::Array) info.fields = definition.fields();
  info.usesAlias = TakesAlias(info.request.address, info.request.data, info.request.headers);
  return info;
}

Text DeployCellText(const Text& deploy) {
  if (deploy == "true") return "有";
  if (deploy == "false") return "无";
  return deploy;
}

int FindPluginName(const std::vector<Text>& names, const Text& name) {
  if (name.empty()) return -1;
  for (size_t i = 0; i < names.size(); ++i)
    if (names[i] == name) return static_cast<int>(i);
  for (size_t i = 0; i < names.size(); ++i)
    if (EqualsIgnoreAsciiCase(names[i], name)) return static_cast<int>(i);
  return -1;
}

PluginCatalog PluginCatalog::Load(const Text& plugDir) {
  if (plugDir.empty()) return {};
  return Load(plugDir, Settings::readSection(kPluginSwitchSection));
}

PluginCatalog PluginCatalog::Load(const Text& plugDir, const Settings::Section& switches) {
  Text dir = plugDir;
  if (dir.empty()) return {};
  if (dir.back() != '/') dir += '/';
  std::vector<PluginInfo> plugins;
  for (const Text& file : ListFileNames(dir, ".json")) plugins.push_back(PluginInfo::Read(dir + file, switches));
  return PluginCatalog(std::move(plugins));
}

void PluginCatalog::readHealth(const Text& deployDir, const Text& historyFile) {
  const std::vector<PluginHealth> health = ReadPluginHealth(names(), deployDir, historyFile);
  for (size_t i = 0; i < plugins_.size() && i < health.size(); ++i) plugins_[i].health = health[i];
}

void PluginCatalog::readValueState(const Text& deployDir) {
  for (PluginInfo& plugin : plugins_) {
    plugin.waitsForValues = false;
    if (plugin.fields.empty()) continue;
    const PluginConfigFile values(deployDir, plugin.name), given(deployDir, plugin.name, kSecretOriginsSection);
    const auto has = [](const std::optional<Text>& value) { return value && !value->empty(); };
    for (const PluginField& f : FieldsUsedIn(
             plugin.fields, plugin.request.address + "\n" + plugin.request.data + "\n" + plugin.request.headers)) {
      if (!f.defaultValue.empty() || has(values.read(f.name)) || (f.secret && has(given.read(f.name)))) continue;
      plugin.waitsForValues = true;
      break;
    }
  }
}

const PluginInfo* PluginCatalog::find(const Text& name) const {
  const int index = FindPluginName(names(), name);
  return index < 0 ? nullptr : &plugins_[static_cast<size_t>(index)];
}

std::vector<const PluginInfo*> PluginCatalog::enabled() const {
  std::vector<const PluginInfo*> out;
  for (const PluginInfo& plugin : plugins_)
    if (plugin.enabled()) out.push_back(&plugin);
  return out;
}

std::vector<Text> PluginCatalog::names() const {
  std::vector<Text> out;
  out.reserve(plugins_.size());
  for (const PluginInfo& plugin : plugins_) out.push_back(plugin.name);
  return out;
}

PluginCatalog LoadListedPlugins(const AppPaths& paths) {
  PluginCatalog catalog = PluginCatalog::Load(paths.plugDir);
  catalog.readHealth(paths.deployDir, HistoryFile(paths));
  catalog.readValueState(paths.deployDir);
  return catalog;
}

Text SavePluginSwitch(const Text& name, bool on) {
  if (Text problem = SwitchKeyProblem(name); !problem.empty()) return problem;
  if (!Settings::write(kPluginSwitchSection, name, on ? kSwitchOn : kSwitchOff))
    return "开关未能保存：Setting.ini 无法写入";
  return {};
}

}  // namespace pindle
