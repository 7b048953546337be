#include "app/cli/command_line.h"

#include <ostream>

#include "app/app_paths.h"
#include "app/builtin_addresses.h"
#include "app/cli/command.h"
#include "platform/files.h"
#include "plugins/plugin_registry.h"

namespace pindle {
namespace cli {

std::vector<std::unique_ptr<Command>> AllCommands() {
  std::vector<std::unique_ptr<Command>> commands;
  commands.push_back(MakeShortenCommand());
  commands.push_back(MakePluginsCommand());
  commands.push_back(MakeSwitchCommand(true));
  commands.push_back(MakeSwitchCommand(false));
  commands.push_back(MakePullCommand());
  commands.push_back(MakeTestCommand());
  commands.push_back(MakeImportCommand());
  return commands;
}

void LoadPlugins(MemoryControls& ui) { PluginRegistry::load(ui); }

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

}  // namespace

bool IsCommandLineInvocation(int argc, char** argv) {
  if (argc < 2) return false;
  const std::string first = argv[1];
  if (first == "--help" || first == "-h" || first == "--version" || first == "help") return true;
  for (const auto& command : cli::AllCommands())
    if (command->name() == first) return true;
  return false;
}

int RunCommandLine(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err,
                   bool errIsTerminal) {
  if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    printOverview(out);
    return cli::kExitOk;
  }
  if (args[0] == "--version") {
    out << builtInVersion << "\n";
    return cli::kExitOk;
  }
  if (Paths().settingsFile.empty()) SetPaths(AppPaths::FromProgramDirectory(ProgramDirectory()));
  cli::Streams io{in, out, err, errIsTerminal};
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
  err << "未知命令：" << args[0] << "\n";
  printOverview(err);
  return cli::kExitUsage;
}

}  // namespace pindle
