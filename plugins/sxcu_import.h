#pragma once
#include <utility>
#include <vector>

#include "platform/types.h"

namespace pindle {

// ShareX custom uploader files (.sxcu) turned into plug-in files. Both syntax generations are
// read: the current one ({input}, {response}, {json:path}, {regex:expression|group}) and the
// older one ($input$, $response$, $json:path$, $regex:n,group$ or $n$ over "RegexList").

struct SxcuConversion {
  bool readable = false;       // the file is a JSON object
  Text name;                   // "Name", or the request address's host
  Text pluginJson;             // the plug-in file's text (UTF-8), when readable
  std::vector<Text> problems;  // what the plug-in format cannot say; empty: a faithful copy
  std::vector<Text> dropped;   // keys the plug-in has no use for (ErrorMessage, ThumbnailURL, …)
  bool uploader = false;       // it uploads a file or an image
  // Keys and tokens the file carries, moved into secret fields: field name, value.
  std::vector<std::pair<Text, Text>> secrets;
};

SxcuConversion ConvertSxcu(const Text& text);

struct SxcuImport {
  Text source;
  Text name;
  Text written;  // the plug-in file written; empty when none was
  std::vector<Text> problems;
  std::vector<Text> dropped;
  // The secret fields' values, for the door to put into the secret store.
  std::vector<std::pair<Text, Text>> secrets;
  bool clash = false;  // refused: the file or the name exists already
  Text error;          // why nothing was written (unreadable, refused, clash, write failed)
  bool ok() const { return !written.empty(); }
};

// Converts one file and writes <plugDir>/<name>.json: in code page 936 when it can hold every
// character, else UTF-8 with a byte-order mark. A file with problems, or one whose file or Name
// exists already, is written only when `force` is set; an uploader of files never.
SxcuImport ImportSxcuFile(const Text& path, const Text& plugDir, bool force);

// One line for the user: what was written, or why not, and what could not be carried over.
Text DescribeImport(const SxcuImport& import);

// Whether a path names a .sxcu file (letter case free).
bool IsSxcuPath(const Text& path);

}  // namespace pindle
