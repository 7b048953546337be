#include <unistd.h>

#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "app/cli/command_line.h"
#include "app/cli/system_clipboard.h"
#include "app/gui/clipboard_keeper.h"
#include "app/gui/desktop_notifications.h"
#include "app/gui/run_window.h"
#include "app/gui/system_clipboard_access.h"
#include "app/instance_channel.h"

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], pindle::kClipboardKeeperArgument) == 0)
    return pindle::RunClipboardKeeper(argc, argv);
  // A subcommand runs without a window, so it needs no display.
  if (pindle::IsCommandLineInvocation(argc, argv)) {
    std::ios::sync_with_stdio(false);
    char* programName = argv[0];
    pindle::cli::SetSystemClipboard(
        {.read = [programName](pindle::Text& problem) { return pindle::ReadSystemClipboard(programName, problem); },
         .keep = pindle::KeepOnSystemClipboard,
         .handToWindow = pindle::HandClipboardPassToWindow,
         .notify = [](const pindle::Text& summary,
                      const pindle::Text& body) { pindle::NotifyDesktop(summary, body, true); }});
    return pindle::RunCommandLine(std::vector<std::string>(argv + 1, argv + argc), std::cin, std::cout, std::cerr,
                                  isatty(STDERR_FILENO) == 1);
  }
  return pindle::RunWindow(argc, argv);
}
