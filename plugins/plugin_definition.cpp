#include "plugins/plugin_definition.h"

#include "plugins/plugin_file.h"

namespace pindle {

PluginDefinition PluginDefinition::FromFile(const Text& path) { return FromText(ReadPluginFileText(path)); }

PluginDefinition PluginDefinition::FromText(const Text& text) {
  PluginDefinition definition;
  definition.parsed_ = definition.document_.Parse(text);
  return definition;
}

}  // namespace pindle
