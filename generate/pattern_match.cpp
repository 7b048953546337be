#include "generate/pattern_match.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <memory>

namespace pindle {
namespace {

struct Pcre2Deleter {
  void operator()(pcre2_code* code) const { pcre2_code_free(code); }
  void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
  void operator()(pcre2_match_context* context) const { pcre2_match_context_free(context); }
};

Text ErrorMessage(int code) {
  PCRE2_UCHAR buffer[256];
  const int n = pcre2_get_error_message(code, buffer, sizeof buffer);
  return n > 0 ? Text(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(n))
               : Text("error " + std::to_string(code));
}

}  // namespace

PatternMatch MatchPattern(const Text& subject, const Text& pattern) {
  PatternMatch result;
  if (pattern.empty()) return result;
  int errorCode = 0;
  PCRE2_SIZE errorOffset = 0;
  std::unique_ptr<pcre2_code, Pcre2Deleter> code(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()),
                                                               pattern.size(), PCRE2_UTF | PCRE2_MATCH_INVALID_UTF,
                                                               &errorCode, &errorOffset, nullptr));
  if (!code) {
    result.outcome = PatternMatch::Outcome::BadPattern;
    result.message = ErrorMessage(errorCode);
    result.offset = errorOffset;
    return result;
  }
  std::unique_ptr<pcre2_match_context, Pcre2Deleter> context(pcre2_match_context_create(nullptr));
  pcre2_set_match_limit(context.get(), kPatternMatchLimit);
  pcre2_set_depth_limit(context.get(), kPatternDepthLimit);
  pcre2_set_heap_limit(context.get(), kPatternHeapLimitKiB);
  std::unique_ptr<pcre2_match_data, Pcre2Deleter> data(pcre2_match_data_create_from_pattern(code.get(), nullptr));
  const int rc = pcre2_match(code.get(), reinterpret_cast<PCRE2_SPTR>(subject.data()), subject.size(), 0, 0, data.get(),
                             context.get());
  if (rc == PCRE2_ERROR_NOMATCH) {
    result.outcome = PatternMatch::Outcome::NoMatch;
    return result;
  }
  if (rc == PCRE2_ERROR_MATCHLIMIT || rc == PCRE2_ERROR_DEPTHLIMIT || rc == PCRE2_ERROR_HEAPLIMIT) {
    result.outcome = PatternMatch::Outcome::LimitHit;
    result.message = ErrorMessage(rc);
    return result;
  }
  if (rc < 0) {
    result.outcome = PatternMatch::Outcome::BadPattern;
    result.message = ErrorMessage(rc);
    return result;
  }
  std::uint32_t groups = 0;
  pcre2_pattern_info(code.get(), PCRE2_INFO_CAPTURECOUNT, &groups);
  result.group = groups > 0 ? 1 : 0;
  const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data.get());
  const PCRE2_SIZE start = ovector[2 * result.group], end = ovector[2 * result.group + 1];
  if (result.group >= rc || start == PCRE2_UNSET) {
    result.outcome = PatternMatch::Outcome::GroupUnset;
    return result;
  }
  result.outcome = PatternMatch::Outcome::Found;
  result.value = subject.substr(start, end - start);
  return result;
}

}  // namespace pindle
