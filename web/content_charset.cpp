#include "web/content_charset.h"

#include "text/text_utils.h"

namespace pindle {

DeclaredCharset DeclaredCharsetOf(std::string_view headers) {
  // Most heads name no charset at all: no need to take them apart line by line.
  if (!Contains(headers, "charset=", true)) return DeclaredCharset::None;
  // The last Content-Type line counts, as it does for the body that follows it.
  Text value;
  for (const Text& line : Split(headers, "\r\n")) {
    const size_t colon = line.find(':');
    if (colon != Text::npos && EqualsIgnoreAsciiCase(Trim(line.substr(0, colon)), "Content-Type"))
      value = line.substr(colon + 1);
  }
  const Text lower = ToLowerAscii(value);
  const size_t at = lower.find("charset=");
  if (at == Text::npos) return DeclaredCharset::None;
  Text charset = lower.substr(at + 8);
  charset = charset.substr(0, charset.find_first_of("; \t,"));
  while (!charset.empty() && (charset.front() == '"' || charset.front() == '\'')) charset.erase(0, 1);
  while (!charset.empty() && (charset.back() == '"' || charset.back() == '\'')) charset.pop_back();
  if (charset == "utf-8" || charset == "utf8") return DeclaredCharset::Utf8;
  if (charset == "gbk" || charset == "gb2312" || charset == "gb18030" || charset == "cp936" || charset == "x-gbk")
    return DeclaredCharset::Gbk;
  return DeclaredCharset::None;
}

}  // namespace pindle
