#pragma once
#include "generate/generation_job.h"
#include "platform/types.h"

namespace pindle {

// What the 生成 command and `pindle shorten` say alike about a batch, and how the 生成 box's text
// falls into lines.

// The status texts of a stopped batch and of a wait.
Text StoppedStatusText(int done, int count);
Text StoppedStatusText(int done);  // the total not known
Text WaitStatusText(const BatchWait& wait);

// 0 for an empty text, otherwise the LF count plus one; a final LF starts no line.
int LineCount(const Text& text);
// Line n (1-based) of the text split at LF, a CR in front of the LF dropped; empty when out of range.
Text NthLine(const Text& text, int n);

}  // namespace pindle
