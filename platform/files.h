#pragma once
#include <optional>
#include <string_view>
#include <vector>

#include "platform/types.h"

namespace pindle {

// The whole content of a file, or nothing when it cannot be read. Files larger than `limit`
// bytes are refused rather than read into memory.
std::optional<Bytes> ReadWholeFile(const Text& path, size_t limit = 256u << 20);

// Replaces the file with `content` so that a reader or a crash sees either the old or the new
// file, never a torn one: temporary file beside it, flushed to disk, then renamed over it.
bool WriteFileAtomically(const Text& path, std::string_view content);

bool FileExists(const Text& path);
bool DirectoryExists(const Text& path);
bool RemoveFile(const Text& path);
// Creates every missing directory along the path; true when it exists afterwards.
bool MakeDirectories(const Text& path);

// Names (not paths) of the regular files in `dir` whose names end in `suffix` (compared without
// regard to ASCII case), in the order the file system returns them.
std::vector<Text> ListFileNames(const Text& dir, std::string_view suffix);

// The directory holding the running executable, without a trailing separator.
Text ProgramDirectory();

}  // namespace pindle
