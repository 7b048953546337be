#pragma once

namespace pindle {

// The windowed program: paths, the application, the main window and its start-up task, then
// the event loop until the window closes (which ends the process with exit code 0). Addresses
// and files among the arguments go into the long-URL box. Without a display it says so and
// returns kNoDisplayExitCode.
int RunWindow(int argc, char** argv);

inline constexpr int kNoDisplayExitCode = 2;

}  // namespace pindle
