#include "generate/generation_job.h"

#include <algorithm>

namespace pindle {

int GenerationJob::mostLinesInFlight() const {
  return std::max(1, concurrency) * static_cast<int>(1 + fallbacks.size());
}

std::size_t GenerationJob::lineAnswerCap() const {
  if (lineCount == 1) return limits.maxBodyBytes;
  return BatchAnswerCap(mostLinesInFlight(), limits.maxBodyBytes);
}

}  // namespace pindle
