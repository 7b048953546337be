#pragma once
#include <cstdint>
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
// What the user set up is kept: a symbolic link is written through (the link stays), the
// replacement gets the old file's permission bits (and owner, where allowed). A read-only file
// (no write bit for us, root included, like Windows' read-only attribute) is not written: false.
// In a folder we may not write to, a writable file is rewritten in place.
bool WriteFileAtomically(const Text& path, std::string_view content);

// Whether writing `path` would land outside `dir`: a symbolic link (or a chain of them) whose
// final target lies in another folder. A link whose target folder cannot be resolved counts as
// outside; a path that is no link stays inside.
bool WritesOutside(const Text& path, const Text& dir);

// What changes whenever a file is written or replaced: its device and inode, size, and times of
// change (in nanoseconds since the epoch).
struct FileStamp {
  std::uint64_t device = 0, inode = 0, size = 0;
  std::int64_t modifiedNs = 0, changedNs = 0;
  bool operator==(const FileStamp&) const = default;
};
// None when the file cannot be looked at.
std::optional<FileStamp> StampOf(const Text& path);

bool FileExists(const Text& path);
bool DirectoryExists(const Text& path);
bool RemoveFile(const Text& path);
// Creates every missing directory along the path; true when it exists afterwards.
bool MakeDirectories(const Text& path);

// Names (not paths) of the regular files in `dir` whose names end in `suffix` (compared without
// regard to ASCII case), ordered by name as Windows lists a folder: ASCII letters as upper case,
// every other byte as it is; names that differ only in letter case in byte order.
std::vector<Text> ListFileNames(const Text& dir, std::string_view suffix);

// The directory holding the running executable, without a trailing separator.
Text ProgramDirectory();

}  // namespace pindle
