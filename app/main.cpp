#include <unistd.h>

#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "app/cli/checked_output.h"
#include "app/cli/command.h"
#include "app/cli/command_line.h"
#include "app/cli/system_clipboard.h"
#include "app/desktop_loader.h"
#include "app/instance_channel.h"

namespace {

// The window, the clipboard keeper, the clipboard and notifications come from the desktop module,
// loaded only when one of them is needed; without it, the window and the keeper say why not.
int WithoutDesktop(const pindle::Text& problem) {
  std::cerr << "pindle: " << problem << std::endl;
  return pindle::cli::kExitFailed;
}

pindle::cli::SystemClipboard DesktopClipboard(char* programName) {
  using pindle::LoadDesktopDoor, pindle::Text;
  pindle::cli::SystemClipboard clipboard;
  clipboard.read = [programName](Text& problem) -> std::optional<Text> {
    const pindle::DesktopDoor* desktop = LoadDesktopDoor(problem);
    if (!desktop) return std::nullopt;
    return desktop->readClipboard(programName, problem);
  };
  clipboard.keep = [](const Text& text, Text& problem) {
    const pindle::DesktopDoor* desktop = LoadDesktopDoor(problem);
    return desktop && desktop->keepOnClipboard(text, problem);
  };
  clipboard.handToWindow = pindle::HandClipboardPassToWindow;
  clipboard.notify = [](const Text& summary, const Text& body) {
    Text unused;  // without the module there is nobody to tell
    if (const pindle::DesktopDoor* desktop = LoadDesktopDoor(unused)) desktop->notify(summary, body, true);
  };
  return clipboard;
}

}  // namespace

int main(int argc, char** argv) {
  pindle::Text problem;
  if (argc >= 2 && std::strcmp(argv[1], pindle::kClipboardKeeperArgument) == 0) {
    const pindle::DesktopDoor* desktop = pindle::LoadDesktopDoor(problem);
    return desktop ? desktop->runClipboardKeeper(argc, argv) : WithoutDesktop(problem);
  }
  // A subcommand runs without a window, so it needs no display.
  if (pindle::IsCommandLineInvocation(argc, argv)) {
    std::ios::sync_with_stdio(false);
    pindle::cli::SetSystemClipboard(DesktopClipboard(argv[0]));
    pindle::cli::CheckedOutput checked(STDOUT_FILENO);
    std::ostream out(&checked);
    const int code = pindle::RunCommandLine(std::vector<std::string>(argv + 1, argv + argc), std::cin, out, std::cerr,
                                            isatty(STDERR_FILENO) == 1, isatty(STDOUT_FILENO) == 1);
    out.flush();
    if (checked.finish()) return code;
    std::cerr << pindle::cli::WriteFailureText(checked.error()) << std::endl;
    return pindle::cli::kExitFailed;
  }
  const pindle::DesktopDoor* desktop = pindle::LoadDesktopDoor(problem);
  return desktop ? desktop->runWindow(argc, argv) : WithoutDesktop(problem);
}
