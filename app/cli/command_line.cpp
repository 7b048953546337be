#include "app/cli/command_line.h"

#include <ostream>

namespace pindle {

bool IsCommandLineInvocation(int argc, char** argv) {
  if (argc < 2) return false;
  const std::string first = argv[1];
  return first == "--version" || first == "--help";
}

int RunCommandLine(const std::vector<std::string>& args, std::istream&, std::ostream& out, std::ostream&) {
  if (!args.empty() && args[0] == "--version") {
    out << "2.4.4.1\n";
    return 0;
  }
  out << "用法: pindle [--version]\n";
  return 0;
}

}  // namespace pindle
