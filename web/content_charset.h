#pragma once
#include <string_view>

#include "platform/types.h"

namespace pindle {

// The charset a response head declares in its Content-Type ("…; charset=utf-8"), among those the
// program reads: UTF-8, and GBK for gbk, gb2312 and gb18030 (letter case free, quotes allowed).
// None for no Content-Type, no charset, or one the program cannot read.
enum class DeclaredCharset { None, Utf8, Gbk };
DeclaredCharset DeclaredCharsetOf(std::string_view headers);

}  // namespace pindle
