#include "generate/line_history.h"

namespace pindle {

void RecordLine(HistoryRecorder& history, const BatchLineResult& line) {
  for (const BatchAttempt& attempt : line.earlier)
    history.record({attempt.plugin.name, line.longUrl, attempt.result, attempt.failure});
  history.record({line.plugin.name, line.longUrl, line.result, line.failure});
}

}  // namespace pindle
