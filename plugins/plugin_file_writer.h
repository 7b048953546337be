#pragma once
#include "platform/types.h"

namespace pindle {

// The encodings a plug-in file is read in (plugin_file.h), so that an edit writes it back alike.
enum class PluginFileEncoding { Gbk, Utf8, Utf8WithMark };

// How the file at `path` is encoded; code page 936 for a file that does not exist yet.
PluginFileEncoding DetectPluginFileEncoding(const Text& path);

// Writes the plug-in text atomically in `encoding`. Text that code page 936 cannot hold is written
// as UTF-8 with a byte-order mark instead, so that nothing turns into question marks. Returns the
// encoding written, or nothing on failure.
bool WritePluginFile(const Text& path, const Text& text, PluginFileEncoding encoding,
                     PluginFileEncoding* written = nullptr);

}  // namespace pindle
