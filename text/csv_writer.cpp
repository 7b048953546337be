#include "text/csv_writer.h"

namespace pindle {

Text CsvField(const Text& text) {
  if (text.find_first_of(",\"\r\n") == Text::npos) return text;
  Text quoted = "\"";
  quoted.reserve(text.size() + 2);
  for (const char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

Text GuardFormula(Text text) {
  if (text.empty() || (text[0] != '=' && text[0] != '+' && text[0] != '-' && text[0] != '@')) return text;
  return "'" + text;
}

Text CsvLine(const std::vector<Text>& fields) {
  Text line;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) line += ',';
    line += CsvField(fields[i]);
  }
  return line + "\r\n";
}

}  // namespace pindle
