#pragma once

namespace pindle {
// Creates the application and the main window and runs the event loop.
int RunWindow(int argc, char** argv);
}  // namespace pindle
