#include <cstdlib>
#include <nlohmann/json.hpp>
#include <ostream>

#include "app/cli/command.h"
#include "history/history_csv.h"
#include "history/history_store.h"

namespace pindle::cli {
namespace {

constexpr int kDefaultLimit = 100;

class HistoryCommand : public Command {
 public:
  std::string name() const override { return "history"; }
  std::string description() const override { return "显示生成历史（最新的在前）"; }
  std::string usage() const override {
    return "用法: pindle history [--search 文本] [--limit 条数] [--csv | --json]\n"
           "  每行一条：时间<TAB>接口<TAB>长网址<TAB>短网址<TAB>失败原因\n"
           "  --search 文本  只显示长网址、短网址或插件名中含有该文本的记录\n"
           "  --limit 条数   最多显示这么多条，默认 100，0 表示全部\n"
           "  --csv          输出 CSV（带表头）\n"
           "  --json         每行输出一个 JSON 对象\n";
  }

  int execute(const std::vector<std::string>& args, Streams& io) override {
    enum { Plain, Csv, Json } format = Plain;
    std::string search;
    int limit = kDefaultLimit;
    for (size_t i = 0; i < args.size(); ++i) {
      const std::string& a = args[i];
      if ((a == "--search" || a == "--limit") && i + 1 >= args.size()) {
        io.err << a << " 后面需要一个值\n" << usage();
        return kExitUsage;
      }
      if (a == "--search") {
        search = args[++i];
      } else if (a == "--limit") {
        char* end = nullptr;
        const long n = std::strtol(args[++i].c_str(), &end, 10);
        if (*end != '\0' || args[i].empty() || n < 0 || n > 100'000'000) {
          io.err << "--limit 需要一个不小于 0 的整数\n";
          return kExitUsage;
        }
        limit = static_cast<int>(n);
      } else if (a == "--csv") {
        format = Csv;
      } else if (a == "--json") {
        format = Json;
      } else {
        io.err << "未知参数：" << a << "\n" << usage();
        return kExitUsage;
      }
    }
    Text error;
    const auto entries = HistoryStore(HistoryFile(Paths())).find(search, limit, &error);
    if (!error.empty()) {
      io.err << "无法读取历史记录：" << error << "\n";
      return kExitFailed;
    }
    if (format == Csv) {
      io.out << HistoryToCsv(entries);
    } else {
      for (const auto& e : entries) {
        if (format == Json) {
          nlohmann::ordered_json line = {{"time", FormatHistoryTime(e.unixTime)},
                                         {"plugin", e.plugin},
                                         {"long", e.longUrl},
                                         {"short", e.result},
                                         {"error", e.failure}};
          line["clicks"] = e.clicks ? nlohmann::ordered_json(*e.clicks) : nlohmann::ordered_json(nullptr);
          line["clicks_time"] =
              e.clicks ? nlohmann::ordered_json(FormatHistoryTime(e.clicksTime)) : nlohmann::ordered_json(nullptr);
          if (e.state != LinkState::Made) line["state"] = LinkStateText(e.state);
          io.out << line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
        } else {
          io.out << FormatHistoryTime(e.unixTime) << '\t' << e.plugin << '\t' << e.longUrl << '\t' << e.result << '\t'
                 << e.failure << "\n";
        }
      }
    }
    io.out.flush();
    return kExitOk;
  }
};

}  // namespace

std::unique_ptr<Command> MakeHistoryCommand() { return std::make_unique<HistoryCommand>(); }

}  // namespace pindle::cli
