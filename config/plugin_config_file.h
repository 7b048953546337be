#pragma once
#include <optional>

#include "config/plugin_field.h"
#include "platform/types.h"

namespace pindle {

// A plug-in's configuration file Deploy/<Name>.ini, section "配置" (one key per field) unless
// another section is named, written the way Setting.ini is (code page 936, CR LF, every untouched
// line kept). Texts are UTF-8 here.
class PluginConfigFile {
 public:
  PluginConfigFile(const Text& deployDir, const Text& pluginName, const Text& section = kConfigSection);

  // Why the plug-in's name cannot name the file; empty when it can. Nothing is read or written
  // while there is one.
  const Text& problem() const { return problem_; }
  // The file's path; empty while there is a problem.
  const Text& path() const { return path_; }

  // The stored value; nothing when the file or the key is absent.
  std::optional<Text> read(const Text& key) const;
  // Stores the value, creating the folder and the file when needed; empty, or why it could not.
  // `ownerOnly`: the file is made readable by its owner alone (mode 0600) before the value goes in.
  Text write(const Text& key, const Text& value, bool ownerOnly = false);
  // Removes the key; empty, or why it could not.
  Text remove(const Text& key);

  bool exists() const;
  // Whether the file exists and nobody but its owner may read it.
  bool ownerOnly() const;

 private:
  Text makeOwnerOnly();

  Text deployDir_;
  Text section_;
  Text path_;
  Text problem_;
};

}  // namespace pindle
