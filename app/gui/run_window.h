#pragma once

namespace pindle {

// The windowed program: paths, the application, the main window and its start-up task, then
// the event loop until the window closes (which ends the process with exit code 0).
int RunWindow(int argc, char** argv);

}  // namespace pindle
