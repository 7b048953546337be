#pragma once
#include <iosfwd>
#include <string>
#include <vector>

namespace pindle {

// True when the arguments name a subcommand (or --help / --version): the program then runs
// without a window.
bool IsCommandLineInvocation(int argc, char** argv);
int RunCommandLine(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err);

}  // namespace pindle
