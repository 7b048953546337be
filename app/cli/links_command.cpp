#include <ctime>
#include <nlohmann/json.hpp>
#include <ostream>
#include <set>

#include "app/cli/command.h"
#include "app/cli/link_tasks.h"

namespace pindle::cli {
namespace {

class LinksCommand : public Command {
 public:
  std::string name() const override { return "links"; }
  std::string description() const override { return "列出服务端保存的全部短网址"; }
  std::string usage() const override {
    return "用法: pindle links -p 插件名 [--json] [--save]\n"
           "  每行输出：短网址<TAB>长网址<TAB>点击数（逐页取到最后一页）\n"
           "  --json  每行输出一个 JSON 对象（short、long、clicks）\n"
           "  --save  把历史记录里没有的短网址加入历史（标为“服务端”）\n";
  }

  int execute(const std::vector<std::string>& args, Streams& io) override {
    Text plugin;
    bool json = false, save = false;
    for (size_t i = 0; i < args.size(); ++i) {
      if (args[i] == "-p" && i + 1 < args.size()) {
        plugin = args[++i];
      } else if (args[i] == "--json") {
        json = true;
      } else if (args[i] == "--save") {
        save = true;
      } else {
        io.err << "未知参数：" << args[i] << "\n" << usage();
        return kExitUsage;
      }
    }
    if (plugin.empty()) {
      io.err << "需要用 -p 指定插件\n" << usage();
      return kExitUsage;
    }
    LinkTasks tasks(plugin, io);
    if (!tasks.ready()) return kExitUsage;
    const LinkTask task = tasks.pluginTask();
    const LinkListing listing = ListAllLinks(task);
    const auto now = static_cast<std::int64_t>(std::time(nullptr));
    for (const ListedLink& link : listing.links) {
      if (json) {
        nlohmann::ordered_json line = {{"short", link.shortLink}, {"long", link.longUrl}};
        line["clicks"] = link.clicks ? nlohmann::ordered_json(*link.clicks) : nlohmann::ordered_json(nullptr);
        io.out << line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
      } else {
        io.out << link.shortLink << '\t' << link.longUrl << '\t' << (link.clicks ? std::to_string(*link.clicks) : "")
               << "\n";
      }
    }
    io.out.flush();
    const std::vector<HistoryEntry> missing =
        save ? ListedLinksToAdd(listing.links, task.pluginName, tasks.history(), now) : std::vector<HistoryEntry>();
    Text error;
    if (!missing.empty() && !tasks.history().append(missing, &error)) {
      io.err << "没有记入历史：" << error << "\n";
      return kExitFailed;
    }
    if (save) io.err << "历史记录新增 " << missing.size() << " 条\n";
    if (!listing.ok()) {
      io.err << task.pluginName << "：" << listing.error << "\n";
      return kExitFailed;
    }
    return kExitOk;
  }
};

}  // namespace

std::unique_ptr<Command> MakeLinksCommand() { return std::make_unique<LinksCommand>(); }

}  // namespace pindle::cli
