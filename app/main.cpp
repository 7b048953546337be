#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "app/cli/command_line.h"
#include "app/gui/run_window.h"

int main(int argc, char** argv) {
  // A subcommand runs without a window, so it needs no display.
  if (pindle::IsCommandLineInvocation(argc, argv)) {
    std::ios::sync_with_stdio(false);
    return pindle::RunCommandLine(std::vector<std::string>(argv + 1, argv + argc), std::cin, std::cout, std::cerr,
                                  isatty(STDERR_FILENO) == 1);
  }
  return pindle::RunWindow(argc, argv);
}
