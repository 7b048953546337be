#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/types.h"

namespace pindle {

// The expression comes from a plug-in file, so a match gives up after this many steps of the
// matcher (and this much nesting and memory) instead of backtracking for minutes.
inline constexpr std::uint32_t kPatternMatchLimit = 2'000'000;
inline constexpr std::uint32_t kPatternDepthLimit = 10'000;
inline constexpr std::uint32_t kPatternHeapLimitKiB = 64u * 1024;

// A Perl-compatible regular expression searched once in a text (both UTF-8).
struct PatternMatch {
  enum class Outcome {
    Found,       // `value` holds the group's text
    GroupUnset,  // matched, but the group took no part in the match
    NoMatch,
    BadPattern,  // `message` and `offset` (byte in the expression) say why
    LimitHit,    // stopped at the limits above
    EmptyPattern,
  };
  Outcome outcome = Outcome::EmptyPattern;
  Text value;     // empty unless Found
  int group = 0;  // 1 when the expression has a capture group, else 0 (the whole match)
  Text message;
  std::size_t offset = 0;
};

PatternMatch MatchPattern(const Text& subject, const Text& pattern);

}  // namespace pindle
