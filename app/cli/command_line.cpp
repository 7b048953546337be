#include "app/cli/command_line.h"

#include <algorithm>
#include <optional>
#include <ostream>
#include <string_view>

#include "app/cli/command.h"
#include "app/window_arguments.h"
#include "config/app_paths.h"
#include "config/builtin_addresses.h"
#include "config/version.h"
#include "platform/files.h"
#include "plugins/plugin_catalog.h"
#include "text/text_utils.h"

namespace pindle {
namespace cli {

std::vector<std::unique_ptr<Command>> AllCommands() {
  std::vector<std::unique_ptr<Command>> commands;
  commands.push_back(MakeShortenCommand());
  commands.push_back(MakePluginsCommand());
  commands.push_back(MakeSwitchCommand(true));
  commands.push_back(MakeSwitchCommand(false));
  commands.push_back(MakePullCommand());
  commands.push_back(MakeQrCommand());
  commands.push_back(MakeExpandCommand());
  commands.push_back(MakeHistoryCommand());
  commands.push_back(MakeStatsCommand());
  commands.push_back(MakeLinksCommand());
  commands.push_back(MakeDeleteCommand());
  commands.push_back(MakeTestCommand());
  commands.push_back(MakeCheckCommand());
  commands.push_back(MakeImportCommand());
  commands.push_back(MakeConfigCommand());
  return commands;
}

PluginCatalog LoadPluginCatalog() { return PluginCatalog::Load(Paths().plugDir); }

}  // namespace cli

namespace {

void printOverview(std::ostream& out) {
  out << "用法: pindle [命令] [选项]\n"
         "不带命令时打开窗口。\n\n命令:\n";
  for (const auto& command : cli::AllCommands()) {
    std::string name = command->name();
    name.resize(10, ' ');
    out << "  " << name << command->description() << "\n";
  }
  out << "\n  --help     显示本帮助；pindle 命令 --help 显示该命令的用法\n"
         "  --version  显示版本号\n";
}

// Letters to change, insert or delete to turn one word into the other.
size_t EditDistance(std::string_view a, std::string_view b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

// The command a typo most likely meant: at most two letters off.
std::optional<std::string> closestCommand(const Text& word) {
  std::optional<std::string> best;
  size_t bestDistance = 3;
  for (const auto& command : cli::AllCommands()) {
    const size_t distance = EditDistance(ToLowerAscii(word), command->name());
    if (distance < bestDistance) {
      bestDistance = distance;
      best = command->name();
    }
  }
  return best;
}

}  // namespace

bool IsCommandLineInvocation(int argc, char** argv) {
  if (argc < 2) return false;
  const std::string first = argv[1];
  if (first == "--help" || first == "-h" || first == "--version" || first == "help") return true;
  for (const auto& command : cli::AllCommands())
    if (command->name() == first) return true;
  // Words the window cannot take are a mistyped command: the command line reports them.
  return UnusableWindowArgument(std::vector<Text>(argv + 1, argv + argc)).has_value();
}

int RunCommandLine(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err,
                   bool errIsTerminal, bool outIsTerminal) {
  if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    printOverview(out);
    return cli::kExitOk;
  }
  if (Paths().settingsFile.empty()) SetPaths(PrepareProgramPaths().paths);
  if (args[0] == "--version") {
    const AppPaths paths = Paths();
    out << kProgramVersion << "\n设置文件：" << paths.settingsFile << "\n插件目录：" << paths.plugDir << "\n配置目录："
        << paths.deployDir << "\n";
    return cli::kExitOk;
  }
  cli::Streams io{in, out, err, errIsTerminal, outIsTerminal};
  for (auto& command : cli::AllCommands()) {
    if (command->name() != args[0]) continue;
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    for (const auto& a : rest)
      if (a == "--help" || a == "-h") {
        out << command->usage();
        return cli::kExitOk;
      }
    return command->execute(rest, io);
  }
  const Text word = UnusableWindowArgument(args).value_or(args[0]);
  err << "“" << word << "”不是命令，也不是窗口能打开的网址或文件。";
  if (const auto near = closestCommand(word)) err << "是不是要用 " << *near << "？";
  err << "\n\n";
  printOverview(err);
  return cli::kExitUsage;
}

}  // namespace pindle
