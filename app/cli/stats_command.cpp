#include <ctime>
#include <nlohmann/json.hpp>
#include <ostream>

#include "app/cli/command.h"
#include "app/cli/link_tasks.h"
#include "config/settings.h"

namespace pindle::cli {
namespace {

class StatsCommand : public Command {
 public:
  std::string name() const override { return "stats"; }
  std::string description() const override { return "查询短网址的点击数"; }
  std::string usage() const override {
    return "用法: pindle stats [-p 插件名] [--json] 短网址...\n"
           "  不给短网址时从标准输入每行读一个。每行输出：短网址<TAB>点击数\n"
           "  -p 插件名  用这个插件查询（默认：历史记录里生成该短网址的插件）\n"
           "  --json     每行输出一个 JSON 对象（link、clicks、plugin、ok，失败时还有 error）\n";
  }

  int execute(const std::vector<std::string>& args, Streams& io) override {
    Text plugin;
    bool json = false;
    std::vector<Text> links;
    for (size_t i = 0; i < args.size(); ++i) {
      if (args[i] == "-p" && i + 1 < args.size()) {
        plugin = args[++i];
      } else if (args[i] == "--json") {
        json = true;
      } else if (!args[i].empty() && args[i][0] == '-') {
        io.err << "未知参数：" << args[i] << "\n" << usage();
        return kExitUsage;
      } else {
        links.push_back(args[i]);
      }
    }
    LinkTasks tasks(plugin, io);
    if (!tasks.ready()) return kExitUsage;
    links = LinksNamed(links, io.in);
    const std::vector<LinkTask> work = tasks.tasksFor(links);
    const std::vector<LinkOutcome> outcomes = FetchAllClicks(work, ConcurrencySetting());

    bool allOk = true;
    for (size_t i = 0; i < work.size(); ++i) {
      const LinkOutcome& o = outcomes[i];
      allOk = allOk && o.ok;
      if (json) {
        nlohmann::ordered_json line = {{"link", work[i].ref.link}};
        line["clicks"] = o.ok ? nlohmann::ordered_json(*o.clicks) : nlohmann::ordered_json(nullptr);
        line["plugin"] = work[i].pluginName;
        line["ok"] = o.ok;
        if (!o.ok) line["error"] = o.error;
        io.out << line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
      } else if (o.ok) {
        io.out << work[i].ref.link << '\t' << *o.clicks << "\n";
      } else {
        io.err << work[i].ref.link << "：" << o.error << "\n";
      }
    }
    io.out.flush();
    Text error;
    if (!RecordClicks(tasks.history(), work, outcomes, static_cast<std::int64_t>(std::time(nullptr)), &error))
      io.err << "点击数没有记入历史：" << error << "\n";
    return allOk ? kExitOk : kExitFailed;
  }
};

}  // namespace

std::unique_ptr<Command> MakeStatsCommand() { return std::make_unique<StatsCommand>(); }

}  // namespace pindle::cli
