#include <nlohmann/json.hpp>
#include <ostream>

#include "app/cli/command.h"
#include "config/app_paths.h"
#include "config/config.h"
#include "generate/batch_runner.h"
#include "generate/plugin_check.h"
#include "plugins/plugin_catalog.h"
#include "secrets/plugin_inputs.h"
#include "text/text_utils.h"

namespace pindle::cli {
namespace {

// check: one request per plug-in, all at once, and what each came to.
class CheckCommand : public Command {
 public:
  std::string name() const override { return "check"; }
  std::string description() const override { return "检测插件：每个插件发一次请求，看服务是否正常"; }
  std::string usage() const override {
    return "用法: pindle check [-p 插件名 ...] [--json] [--url 网址]\n"
           "  每个已启用的插件（或 -p 指定的插件，开启或关闭的都可以，可以多次给出或用逗号分隔）同时发一次\n"
           "  请求，输出 插件<TAB>正常/失败<TAB>原因<TAB>用时<TAB>短网址。结果记入 Deploy/插件名.ini 的\n"
           "  “状态”一节，窗口的插件列表据此显示。\n"
           "  --url 网址  用这个网址检测，省略时用 https://example.com/\n"
           "  --json      每行输出一个 JSON 对象\n"
           "退出码: 0 全部正常，1 有失败的插件，2 用法错误\n";
  }

  int execute(const std::vector<std::string>& args, Streams& io) override {
    std::vector<Text> wanted;
    bool json = false;
    Text url = kCheckUrl;
    for (size_t i = 0; i < args.size(); ++i) {
      const std::string& a = args[i];
      if ((a == "-p" || a == "--plugin" || a == "--url") && i + 1 >= args.size()) {
        io.err << a << " 后面需要一个值\n" << usage();
        return kExitUsage;
      }
      if (a == "-p" || a == "--plugin") {
        wanted.push_back(args[++i]);
      } else if (a == "--url") {
        url = args[++i];
      } else if (a == "--json") {
        json = true;
      } else {
        io.err << "未知参数：" << a << "\n" << usage();
        return kExitUsage;
      }
    }

    const PluginCatalog catalog = LoadPluginCatalog();
    std::vector<BatchPlugin> plugins;
    const Config config = Config::Read();
    auto add = [&](const PluginInfo& plugin) {
      ShortenInputs inputs = StoredPluginInputs(plugin.path, config.paths.deployDir);
      inputs.verifyTls = config.verifyTls;
      plugins.push_back({plugin.name, plugin.path, std::move(inputs)});
    };
    if (wanted.empty()) {
      for (const PluginInfo* plugin : catalog.enabled()) add(*plugin);
      if (plugins.empty()) {
        io.err << "没有已启用的插件（插件目录：" << Paths().plugDir << "）\n";
        return kExitUsage;
      }
    }
    for (const Text& given : wanted) {
      // A name that holds a comma is taken whole.
      const std::vector<Text> names = catalog.find(given) ? std::vector<Text>{given} : Split(given, ",");
      for (const Text& name : names) {
        const PluginInfo* plugin = FindNamedPlugin(catalog, name, io);
        if (plugin == nullptr) return kExitUsage;
        add(*plugin);
      }
    }

    const std::vector<PluginCheckResult> results = CheckPlugins(plugins, url);
    int failed = 0;
    if (!json) io.out << "插件\t结果\t原因\t用时\t短网址\n";
    for (const PluginCheckResult& r : results) {
      const PluginCheckState& s = r.state;
      failed += !s.ok;
      if (json) {
        const nlohmann::ordered_json line = {
            {"plugin", r.plugin.name}, {"ok", s.ok},     {"status", s.ok ? "正常" : "失败"},
            {"reason", s.reason},      {"ms", s.millis}, {"link", s.link}};
        io.out << line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
      } else {
        io.out << r.plugin.name << '\t' << (s.ok ? "正常" : "失败") << '\t' << s.reason << '\t' << s.millis << " 毫秒\t"
               << s.link << "\n";
      }
    }
    io.out.flush();
    const std::vector<Text> unkept = KeepCheckResults(results, Paths().deployDir);
    for (const Text& problem : unkept) io.err << "检测结果未能保存：" << problem << "\n";
    return failed == 0 && unkept.empty() ? kExitOk : kExitFailed;
  }
};

}  // namespace

std::unique_ptr<Command> MakeCheckCommand() { return std::make_unique<CheckCommand>(); }

}  // namespace pindle::cli
