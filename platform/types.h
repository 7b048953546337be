#pragma once
#include <string>

namespace pindle {

// Text inside the program is UTF-8; code page 936 exists only at the edges (see codepage.h).
using Text = std::string;
// Raw bytes: file contents, request bodies, answers. A std::string holds any byte, zero included.
using Bytes = std::string;

}  // namespace pindle
