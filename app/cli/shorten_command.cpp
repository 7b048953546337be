#include <chrono>
#include <cstdio>
#include <istream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <ostream>

#include "app/app_paths.h"
#include "app/cli/command.h"
#include "generate/generate_command.h"
#include "generate/shorten_engine.h"
#include "history/history_recorder.h"
#include "json/json_document.h"
#include "plugins/plugin_registry.h"
#include "web/text_utils.h"
#include "web/web_request.h"

namespace pindle::cli {
namespace {

enum class Format { Plain, Tsv, Json };

// Progress on a terminal: done of total, elapsed time, rate.
class Progress {
 public:
  Progress(std::ostream& err, bool show, size_t total)
      : err_(err), show_(show && total > 1), total_(total), start_(std::chrono::steady_clock::now()) {}
  bool showing() const { return show_; }
  void update(size_t done) {
    if (!show_) return;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    const double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0;
    char line[128];
    std::snprintf(line, sizeof line, "\r已完成 %zu/%zu，用时 %.1f 秒，每秒 %.1f 个", done, total_, seconds, rate);
    err_ << line << (done == total_ ? "\n" : "") << std::flush;
  }

 private:
  std::ostream& err_;
  bool show_;
  size_t total_;
  std::chrono::steady_clock::time_point start_;
};

class ShortenCommand : public Command {
 public:
  std::string name() const override { return "shorten"; }
  std::string description() const override { return "生成短网址（网址作参数，或从标准输入每行一个）"; }
  std::string usage() const override {
    return "用法: pindle shorten [-p 插件名] [--tsv | --json] [网址 ...]\n"
           "  不给网址时从标准输入读取，每行一个。\n"
           "  -p 插件名  使用已启用的这个插件（不区分大小写）；省略时用第一个已启用的插件\n"
           "  --tsv      每行输出 长网址<TAB>短网址<TAB>插件\n"
           "  --json     每行输出一个 JSON 对象\n"
           "退出码: 0 全部成功，1 有失败的行，2 用法错误\n";
  }

  int execute(const std::vector<std::string>& args, Streams& io) override {
    std::string pluginName;
    bool pluginGiven = false;
    Format format = Format::Plain;
    std::vector<Text> urls;
    for (size_t i = 0; i < args.size(); ++i) {
      const std::string& a = args[i];
      if (a == "-p" || a == "--plugin") {
        if (i + 1 >= args.size()) {
          io.err << "-p 后面需要插件名\n" << usage();
          return kExitUsage;
        }
        pluginName = args[++i];
        pluginGiven = true;
      } else if (a == "--tsv") {
        format = Format::Tsv;
      } else if (a == "--json") {
        format = Format::Json;
      } else if (a.size() > 1 && a[0] == '-' && a != "-") {
        io.err << "未知选项：" << a << "\n" << usage();
        return kExitUsage;
      } else {
        urls.push_back(a);
      }
    }

    MemoryControls ui;
    LoadPlugins(ui);
    const std::vector<Text> offered = ui.pluginChoice().items();
    int choice = -1;
    if (!pluginGiven) {
      choice = offered.empty() ? -1 : 0;
    } else {
      for (size_t i = 0; i < offered.size() && choice < 0; ++i)
        if (EqualsIgnoreAsciiCase(offered[i], pluginName)) choice = static_cast<int>(i);
    }
    if (choice < 0) {
      if (offered.empty())
        io.err << "没有已启用的插件（插件目录：" << Paths().plugDir << "）\n";
      else
        io.err << (pluginGiven ? "没有已启用的插件叫“" + pluginName + "”。" : std::string()) << "已启用的插件：" << Join(offered, "、")
               << "\n";
      return kExitUsage;
    }
    ui.pluginChoice().setCurrentIndex(choice);
    const int row = FindPluginRow(ui.pluginList(), ui.pluginChoice().currentText());
    const Text pluginFile = ui.pluginList().cell(row, kPluginPathColumn);
    const Text shownName = ui.pluginList().cell(row, kPluginNameColumn);

    if (urls.empty()) {
      const std::string input((std::istreambuf_iterator<char>(io.in)), std::istreambuf_iterator<char>());
      const int count = LineCount(input);
      for (int n = 1; n <= count; ++n) urls.push_back(NthLine(input, n));
    }

    const ConnectionReuseScope batch;  // one connection to the service for the whole batch
    JsonDocument document;
    Progress progress(io.err, io.errIsTerminal, urls.size());
    int failures = 0;
    HistoryRecorder history;
    for (size_t i = 0; i < urls.size(); ++i) {
      Text failure;
      const Text result = ShortenOne(pluginFile, urls[i], document, &failure);
      const bool ok = result.rfind("http", 0) == 0;
      history.record({shownName, urls[i], result, failure});
      if (!ok) {
        ++failures;
        const Text reason = !failure.empty() ? failure : result.empty() ? Text("服务没有返回短网址") : "服务返回：" + result;
        io.err << (progress.showing() ? "\n" : "") << "第 " << i + 1 << " 行（" << urls[i] << "）失败：" << reason << "\n";
      }
      write(io.out, format, urls[i], result, shownName, ok, failure);
      progress.update(i + 1);
    }
    io.out.flush();
    if (!history.flush()) io.err << "历史记录未能写入：" << history.failure() << "\n";
    return failures == 0 ? kExitOk : kExitFailed;
  }

 private:
  static void write(std::ostream& out, Format format, const Text& longUrl, const Text& result, const Text& plugin,
                    bool ok, const Text& failure) {
    switch (format) {
      case Format::Plain:
        // A failed line still takes its line, so output line n belongs to input line n.
        out << (ok ? result : Text()) << "\n";
        break;
      case Format::Tsv:
        out << longUrl << '\t' << result << '\t' << plugin << "\n";
        break;
      case Format::Json: {
        nlohmann::json line = {{"long", longUrl}, {"short", result}, {"plugin", plugin}, {"ok", ok}};
        if (!failure.empty()) line["error"] = failure;
        out << line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
        break;
      }
    }
  }
};

}  // namespace

std::unique_ptr<Command> MakeShortenCommand() { return std::make_unique<ShortenCommand>(); }

}  // namespace pindle::cli
