#pragma once
#include <map>
#include <utility>
#include <vector>

#include "config/plugin_field.h"
#include "generate/shorten_engine.h"

namespace pindle {

// Values a user gives a plug-in's fields for one run only (pindle shorten --field KEY=VALUE):
// nothing is stored.
struct RunFieldValues {
  std::map<Text, Text> values;  // by the field's own name
  Text problem;                 // why they cannot be used; empty when they can
};

// Each KEY matched to the plug-in's field of that name (ASCII letter case aside, as its INI file
// reads it). A KEY the plug-in has no field for is refused naming its fields, and so is a value
// a field cannot take (a line break).
RunFieldValues MatchRunFieldValues(const Text& pluginName, const std::vector<PluginField>& fields,
                                   const std::vector<std::pair<Text, Text>>& given);

// The stored inputs with the run's values in force instead: a secret given so is hidden like a
// stored one, and goes where the plug-in points now.
ShortenInputs WithRunFieldValues(ShortenInputs inputs, const std::vector<PluginField>& fields,
                                 const std::map<Text, Text>& values);

}  // namespace pindle
