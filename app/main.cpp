#include <unistd.h>

#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "app/cli/checked_output.h"
#include "app/cli/command.h"
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
    pindle::cli::CheckedOutput checked(STDOUT_FILENO);
    std::ostream out(&checked);
    const int code = pindle::RunCommandLine(std::vector<std::string>(argv + 1, argv + argc), std::cin, out, std::cerr,
                                            isatty(STDERR_FILENO) == 1, isatty(STDOUT_FILENO) == 1);
    out.flush();
    if (checked.finish()) return code;
    std::cerr << pindle::cli::WriteFailureText(checked.error()) << std::endl;
    return pindle::cli::kExitFailed;
  }
  return pindle::RunWindow(argc, argv);
}
