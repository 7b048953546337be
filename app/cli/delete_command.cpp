#include <unistd.h>

#include <iostream>

#include "app/cli/command.h"
#include "app/cli/link_tasks.h"

namespace pindle::cli {
namespace {

class DeleteCommand : public Command {
 public:
  std::string name() const override { return "delete"; }
  std::string description() const override { return "在服务端删除短网址"; }
  std::string usage() const override {
    return "用法: pindle delete [-p 插件名] [--yes] 短网址...\n"
           "  -p 插件名  用这个插件删除（默认：历史记录里生成该短网址的插件）\n"
           "  --yes      不再询问（标准输入不是终端时必须给出）\n";
  }

  int execute(const std::vector<std::string>& args, Streams& io) override {
    Text plugin;
    bool yes = false;
    std::vector<Text> links;
    for (size_t i = 0; i < args.size(); ++i) {
      if (args[i] == "-p" && i + 1 < args.size()) {
        plugin = args[++i];
      } else if (args[i] == "--yes") {
        yes = true;
      } else if (!args[i].empty() && args[i][0] == '-') {
        io.err << "未知参数：" << args[i] << "\n" << usage();
        return kExitUsage;
      } else {
        links.push_back(args[i]);
      }
    }
    if (links.empty()) {
      io.err << "需要给出要删除的短网址\n" << usage();
      return kExitUsage;
    }
    LinkTasks tasks(plugin, io);
    if (!tasks.ready()) return kExitUsage;
    if (!yes) {
      // A script that forgot --yes must not delete anything on its own.
      if (&io.in != &std::cin || isatty(STDIN_FILENO) != 1) {
        io.err << "删除短网址需要确认：标准输入不是终端，请加 --yes\n";
        return kExitUsage;
      }
      io.err << "要在服务端删除这 " << links.size() << " 个短网址吗？[y/N] ";
      std::string answer;
      std::getline(io.in, answer);
      if (answer != "y" && answer != "Y" && answer != "yes") {
        io.err << "没有删除\n";
        return kExitFailed;
      }
    }
    bool allOk = true;
    for (const Text& link : links) {
      Text unrecorded;
      const LinkOutcome outcome = DeleteAndMark(tasks.taskFor(link), tasks.history(), &unrecorded);
      allOk = allOk && outcome.ok;
      if (!outcome.ok) {
        io.err << link << "：" << outcome.error << "\n";
        continue;
      }
      io.out << "已删除：" << link << "\n";
      if (!unrecorded.empty()) io.err << "历史记录没有标为已删除：" << unrecorded << "\n";
    }
    io.out.flush();
    return allOk ? kExitOk : kExitFailed;
  }
};

}  // namespace

std::unique_ptr<Command> MakeDeleteCommand() { return std::make_unique<DeleteCommand>(); }

}  // namespace pindle::cli
