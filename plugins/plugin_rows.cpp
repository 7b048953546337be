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

PluginRow ReadPluginRow(const Text& path) {
  // A document of this row's own: loads on several threads never share one.
  JsonDocument document;
  document.Parse(ReadPluginFileText(path));
  PluginRow row(7);
  row[kPluginNameColumn] = ListingText(document, kPluginNameKey);
  // An empty name has no switch entry and so reads empty: such a plug-in is never offered.
  row[kPluginSwitchColumn] = Settings::read(kPluginSwitchSection, row[kPluginNameColumn], Text(kSwitchOn));
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
  for (const Text& name : ListFileNames(dir, ".json")) rows.push_back(ReadPluginRow(dir + name));
  return rows;
}

}  // namespace pindle
