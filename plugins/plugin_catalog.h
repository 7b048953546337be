#pragma once
#include <vector>

#include "config/plugin_field.h"
#include "config/settings.h"
#include "history/plugin_health.h"
#include "platform/types.h"
#include "plugins/plugin_definition.h"

namespace pindle {

inline constexpr const char* kSwitchOn = "是";
inline constexpr const char* kSwitchOff = "否";

// What a plug-in sends: its address, method and data with their placeholders still in place.
struct PluginRequestDescription {
  Text method;  // "GET" or "POST"; anything else sends nothing
  Text address;
  Text data;
  Text headers;
  BodyType bodyType = BodyType::Classic;
  PluginEncoding encoding = PluginEncoding::Unset;
};

// How a plug-in takes the link from the answer.
struct PluginResponseDescription {
  ResponseType type = ResponseType::Unknown;
  Text parameter;
  Text prefix;
  Text pattern;
  Text resultPrefix;
};

// One local plug-in file as the program knows it.
struct PluginInfo {
  // The listing keys in their plain-text form; a key holding an object or an array (not what a
  // plug-in writes there) reads empty, as does every key of a file that cannot be read or parsed.
  Text name;
  // As "插件开关" holds it ("是" when absent, and for a name the INI file cannot hold as a key);
  // empty for a plug-in without a name, which is never offered.
  Text switchState;
  Text deploy;  // the "Deploy" key as written ("true", "false", …)
  Text version;
  Text author;
  Text updated;
  Text path;
  Text updateUrl;
  PluginRequestDescription request;
  PluginResponseDescription response;
  std::vector<PluginField> fields;
  bool usesAlias = false;  // the address, API.Data or API.Headers take "$Alias$"
  PluginHealth health;     // read only when asked for (PluginCatalog::readHealth)
  // A field its request uses has no value yet (PluginCatalog::readValueState): none stored, no
  // default, and for a secret no record of one given.
  bool waitsForValues = false;

  bool enabled() const { return switchState == kSwitchOn; }
  // Whether it keeps a configuration file in Deploy/ ("Deploy" true).
  bool declaresConfiguration() const;

  // The plug-in in file `path`, its switch looked up in `switches`.
  static PluginInfo Read(const Text& path, const Settings::Section& switches);
};

// Column 2 of the plug-in list: "有" for "true", "无" for "false", anything else as it is.
Text DeployCellText(const Text& deploy);

// The one rule for naming a plug-in: the exact spelling first (so of two names that differ in
// letter case each can be named), else the first equal without regard to ASCII letter case. The
// index in `names`, or -1 when none matches or `name` is empty.
int FindPluginName(const std::vector<Text>& names, const Text& name);

// The local plug-ins, one per "*.json" file of the plug-in folder, in the order the file system
// lists them.
class PluginCatalog {
 public:
  PluginCatalog() = default;
  explicit PluginCatalog(std::vector<PluginInfo> plugins) : plugins_(std::move(plugins)) {}

  // Setting.ini's switches are read once for all plug-ins, not once per plug-in.
  static PluginCatalog Load(const Text& plugDir);
  static PluginCatalog Load(const Text& plugDir, const Settings::Section& switches);
  // Each plug-in's health: its last check (Deploy/<Name>.ini) and its last uses in the history.
  void readHealth(const Text& deployDir, const Text& historyFile);
  // Each plug-in's waitsForValues, from its configuration file (Deploy/<Name>.ini), never from the
  // secret store: a secret counts as given when the file records where it may go, as every key
  // stored or used by the program is recorded.
  void readValueState(const Text& deployDir);

  const std::vector<PluginInfo>& plugins() const { return plugins_; }
  size_t size() const { return plugins_.size(); }
  bool empty() const { return plugins_.empty(); }

  // The plug-in of that name, enabled or not (FindPluginName); nullptr when none.
  const PluginInfo* find(const Text& name) const;
  // The enabled plug-ins, in order: what the plug-in choice offers.
  std::vector<const PluginInfo*> enabled() const;
  std::vector<Text> names() const;

 private:
  std::vector<PluginInfo> plugins_;
};

// What the plug-in list shows: the catalog of plugDir with each plug-in's health and value state.
PluginCatalog LoadListedPlugins(const AppPaths& paths);

// Stores the plug-in's switch in "插件开关"; why it could not be kept, or empty.
Text SavePluginSwitch(const Text& name, bool on);

}  // namespace pindle
