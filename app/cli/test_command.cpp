#include <ostream>

#include "app/cli/command.h"
#include "config/config.h"
#include "generate/shorten_trace.h"
#include "json/json_document.h"
#include "plugins/plugin_catalog.h"
#include "secrets/plugin_inputs.h"
#include "text/text_utils.h"

namespace pindle::cli {
namespace {

// test: one long URL through one plug-in, every step shown.
class TestCommand : public Command {
 public:
  std::string name() const override { return "test"; }
  std::string description() const override { return "试一个插件并显示每一步（请求、应答、解码、提取）"; }
  std::string usage() const override {
    return "用法: pindle test -p 插件名 [网址]\n"
           "  用这个插件（开启或关闭的都可以，名称不区分大小写）生成一次短网址，显示实际发出的请求、\n"
           "  应答、解码方式和提取的每一步；没有得到短网址时说明原因。网址省略时用 https://example.com/\n"
           "退出码: 0 得到了短网址，1 没有得到，2 用法错误\n";
  }
  int execute(const std::vector<std::string>& args, Streams& io) override {
    std::string pluginName;
    bool pluginGiven = false;
    Text longUrl = "https://example.com/";
    int urls = 0;
    for (size_t i = 0; i < args.size(); ++i) {
      if (args[i] == "-p" || args[i] == "--plugin") {
        if (i + 1 >= args.size()) break;
        pluginName = args[++i];
        pluginGiven = true;
      } else if (args[i].size() > 1 && args[i][0] == '-') {
        io.err << "未知选项：" << args[i] << "\n" << usage();
        return kExitUsage;
      } else {
        longUrl = args[i];
        ++urls;
      }
    }
    if (!pluginGiven || urls > 1) {
      io.err << usage();
      return kExitUsage;
    }
    const PluginCatalog catalog = LoadPluginCatalog();
    const PluginInfo* plugin = FindNamedPlugin(catalog, pluginName, io);
    if (plugin == nullptr) return kExitUsage;
    io.out << "插件：" << plugin->name << "（" << plugin->path << "）\n"
           << "长网址：" << longUrl << "\n\n";
    JsonDocument document;
    const Text& file = plugin->path;
    const Config config = Config::Read();
    ShortenInputs inputs = StoredPluginInputs(file, config.paths.deployDir);
    inputs.verifyTls = config.verifyTls;
    const ShortenTrace trace = TraceShorten(file, longUrl, document, inputs);
    io.out << FormatTrace(trace);
    io.out.flush();
    return trace.linkCameOut() ? kExitOk : kExitFailed;
  }
};

}  // namespace

std::unique_ptr<Command> MakeTestCommand() { return std::make_unique<TestCommand>(); }

}  // namespace pindle::cli
