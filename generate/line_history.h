#pragma once
#include "generate/batch_runner.h"
#include "history/history_recorder.h"

namespace pindle {

// Records a line as the history keeps it: every plug-in it went through, each with its reason;
// a reused link is not recorded again.
void RecordLine(HistoryRecorder& history, const BatchLineResult& line);

}  // namespace pindle
