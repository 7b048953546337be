#include "text/shell_word.h"

namespace pindle {
namespace {

bool plainInShell(unsigned char c) {
  if (c >= 0x80) return true;  // UTF-8 letters mean nothing to the shell
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
  switch (c) {
    case '.':
    case '_':
    case '-':
    case '+':
    case '/':
    case ':':
    case '@':
    case ',':
    case '%':
      return true;
    default:
      return false;
  }
}

}  // namespace

Text ShellWord(std::string_view word) {
  bool plain = !word.empty();
  for (const char c : word) plain = plain && plainInShell(static_cast<unsigned char>(c));
  if (plain) return Text(word);
  Text out = "'";
  for (const char c : word) out += c == '\'' ? Text("'\\''") : Text(1, c);
  return out + "'";
}

}  // namespace pindle
