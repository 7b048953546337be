#pragma once
#include <iosfwd>
#include <string>
#include <vector>

namespace pindle {

// True when the arguments name a subcommand (or --help / --version), or hold a word that is
// neither a subcommand nor an address or file the window takes: the program then runs without a
// window and needs no display.
bool IsCommandLineInvocation(int argc, char** argv);

// Runs a subcommand; `args` excludes the program name. Uses the paths already set, or those
// beside the program when none are.
int RunCommandLine(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err,
                   bool errIsTerminal = false, bool outIsTerminal = false);

}  // namespace pindle
