#pragma once
#include "generate/generation_job.h"
#include "platform/types.h"

namespace pindle {

// What the 生成 command and `pindle shorten` say alike about a batch.

// The status texts of a stopped batch and of a wait.
Text StoppedStatusText(int done, int count);
Text StoppedStatusText(int done);  // the total not known
Text WaitStatusText(const BatchWait& wait);

}  // namespace pindle
