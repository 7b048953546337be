#pragma once
#include <chrono>
#include <functional>

namespace pindle {

// Starts `task` on a new thread that nobody joins (the process may end under it at any time).
// The count of such threads still running is kept, so that tests and the command line can wait.
void StartDetached(std::function<void()> task);

// Waits until no thread started by StartDetached runs any more; false on time-out.
bool WaitForDetached(std::chrono::milliseconds timeout);

}  // namespace pindle
