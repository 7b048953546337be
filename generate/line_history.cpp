#include "generate/line_history.h"

namespace pindle {

void RecordLine(HistoryRecorder& history, const BatchLineResult& line) {
  if (line.reused) return;  // no pass was made: the history has it already
  for (const BatchAttempt& attempt : line.earlier)
    history.record({attempt.plugin.name, line.longUrl, attempt.result, attempt.reason});
  history.record({line.plugin.name, line.longUrl, line.result, line.reason, line.serviceId});
}

}  // namespace pindle
