#include "json/json_error.h"

#include "json/json_parse.h"

namespace pindle {
namespace {

// Accepts every event and keeps only the first syntax error.
struct ErrorOnly : nlohmann::json_sax<Json> {
  std::optional<JsonSyntaxError> error;
  bool null() override { return true; }
  bool boolean(bool) override { return true; }
  bool number_integer(number_integer_t) override { return true; }
  bool number_unsigned(number_unsigned_t) override { return true; }
  bool number_float(number_float_t, const string_t&) override { return true; }
  bool string(string_t&) override { return true; }
  bool binary(binary_t&) override { return true; }
  bool start_object(std::size_t) override { return true; }
  bool key(string_t&) override { return true; }
  bool end_object() override { return true; }
  bool start_array(std::size_t) override { return true; }
  bool end_array() override { return true; }
  bool parse_error(std::size_t position, const std::string&, const nlohmann::detail::exception& e) override {
    Text message = e.what();
    // "[json.exception.parse_error.101] parse error at line 1, ...": the tag says nothing to a user.
    if (const auto close = message.find("] "); message.rfind("[json.exception", 0) == 0 && close != Text::npos)
      message.erase(0, close + 2);
    error = JsonSyntaxError{message, position};
    return false;
  }
};

}  // namespace

std::optional<JsonSyntaxError> FindJsonSyntaxError(std::string_view text) {
  ErrorOnly handler;
  try {
    Json::sax_parse(text.begin(), text.end(), &handler);
  } catch (const std::exception& e) {
    return JsonSyntaxError{e.what(), 0};
  }
  return handler.error;
}

}  // namespace pindle
