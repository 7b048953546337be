#pragma once
#include "platform/types.h"

namespace pindle {

// The file name (without ".json") for a plug-in called `name`: characters that no file system
// takes become "_", blank ends go; `fallback` when nothing is left.
Text PluginFileBaseName(const Text& name, const Text& fallback);

// <plugDir>/<base>.json for a plug-in called `name`.
Text PluginFilePath(const Text& plugDir, const Text& name, const Text& fallback);

// A path for a new plug-in file that replaces no file: <base>.json, else <base>-2.json, ...
Text NewPluginFilePath(const Text& plugDir, const Text& name, const Text& fallback);

}  // namespace pindle
