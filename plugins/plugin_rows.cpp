#include "plugins/plugin_rows.h"

#include "config/settings.h"
#include "json/json_document.h"
#include "platform/files.h"
#include "plugins/plugin_definition.h"
#include "plugins/plugin_file.h"
#include "plugins/plugin_registry.h"

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

}  // namespace

Text DeployCellText(const Text& deploy) {
  if (deploy == "true") return "有";
  if (deploy == "false") return "无";
  return deploy;
}

PluginRow ReadPluginRow(const Text& path, const Settings::Section& switches) {
  // A document of this row's own: loads on several threads never share one.
  JsonDocument document;
  document.Parse(ReadPluginFileText(path));
  PluginRow row(7);
  row[kPluginNameColumn] = ListingText(document, kPluginNameKey);
  // An empty name has no switch entry and so reads empty: such a plug-in is never offered.
  const Text& name = row[kPluginNameColumn];
  if (name.empty())
    row[kPluginSwitchColumn].clear();
  else if (!SwitchKeyProblem(name).empty())
    row[kPluginSwitchColumn] = kSwitchOn;  // whatever key the file holds belongs to another name
  else
    row[kPluginSwitchColumn] = switches.find(name).value_or(kSwitchOn);
  row[kPluginDeployColumn] = DeployCellText(ListingText(document, kPluginDeployKey));
  row[kPluginVersionColumn] = ListingText(document, kPluginVersionKey);
  row[kPluginAuthorColumn] = ListingText(document, kPluginAuthorKey);
  row[kPluginUpdatedColumn] = ListingText(document, kPluginUpdatedKey);
  row[kPluginPathColumn] = path;
  return row;
}

std::vector<PluginRow> ReadPluginRows(const Text& plugDir) {
  Text dir = plugDir;
  if (dir.empty()) return {};
  if (dir.back() != '/') dir += '/';
  std::vector<PluginRow> rows;
  // Setting.ini is read once for all switches, not once per plug-in.
  const Settings::Section switches = Settings::readSection(kPluginSwitchSection);
  for (const Text& name : ListFileNames(dir, ".json")) rows.push_back(ReadPluginRow(dir + name, switches));
  return rows;
}

}  // namespace pindle
