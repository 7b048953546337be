#pragma once
#include <cstdint>

#include "platform/types.h"

namespace pindle {

// A link's clicks on one day ("YYYY-MM-DD").
struct DayClicks {
  Text day;
  std::int64_t clicks = 0;
  bool operator==(const DayClicks&) const = default;
};

}  // namespace pindle
