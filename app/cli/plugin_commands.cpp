#include <nlohmann/json.hpp>
#include <ostream>

#include "app/cli/command.h"
#include "config/config.h"
#include "plugins/cloud_plugin_sync.h"
#include "plugins/plugin_catalog.h"
#include "text/text_utils.h"

namespace pindle::cli {
namespace {

class PluginsCommand : public Command {
 public:
  std::string name() const override { return "plugins"; }
  std::string description() const override { return "列出本地插件（名称、开关、版本、作者、日期、文件）"; }
  std::string usage() const override {
    return "用法: pindle plugins [--json]\n"
           "  每行一个插件：接口<TAB>启用<TAB>版本<TAB>作者<TAB>更新日期<TAB>插件路径\n"
           "  --json  每行输出一个 JSON 对象\n";
  }
  int execute(const std::vector<std::string>& args, Streams& io) override {
    bool json = false;
    for (const auto& a : args) {
      if (a == "--json") {
        json = true;
      } else {
        io.err << "未知参数：" << a << "\n" << usage();
        return kExitUsage;
      }
    }
    const PluginCatalog catalog = LoadPluginCatalog();
    static constexpr const char* kKeys[] = {"name", "enabled", "version", "author", "updated", "file"};
    if (!json) io.out << "接口\t启用\t版本\t作者\t更新日期\t插件路径\n";
    for (const PluginInfo& plugin : catalog.plugins()) {
      const Text* shown[] = {&plugin.name,   &plugin.switchState, &plugin.version,
                             &plugin.author, &plugin.updated,     &plugin.path};
      if (json) {
        nlohmann::ordered_json line;
        for (size_t i = 0; i < std::size(shown); ++i) line[kKeys[i]] = *shown[i];
        io.out << line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
      } else {
        for (size_t i = 0; i < std::size(shown); ++i) io.out << (i ? "\t" : "") << *shown[i];
        io.out << "\n";
      }
    }
    return kExitOk;
  }
};

// enable / disable: the switch in "插件开关", stored as the menu stores it.
class SwitchCommand : public Command {
 public:
  explicit SwitchCommand(bool enable) : enable_(enable) {}
  std::string name() const override { return enable_ ? "enable" : "disable"; }
  std::string description() const override { return enable_ ? "开启插件" : "关闭插件"; }
  std::string usage() const override {
    return "用法: pindle " + name() + " 插件名\n  " + (enable_ ? "开启" : "关闭") +
           "这个插件（写入 Setting.ini 的“插件开关”）\n";
  }
  int execute(const std::vector<std::string>& args, Streams& io) override {
    if (args.size() != 1) {
      io.err << usage();
      return kExitUsage;
    }
    const PluginCatalog catalog = LoadPluginCatalog();
    const PluginInfo* plugin = FindNamedPlugin(catalog, args[0], io);
    if (plugin == nullptr) return kExitUsage;
    if (const Text problem = SavePluginSwitch(plugin->name, enable_); !problem.empty()) {
      io.err << plugin->name << "：" << problem << "\n";
      return kExitFailed;
    }
    io.out << (enable_ ? "已开启插件：" : "已关闭插件：") << plugin->name << "\n";
    return kExitOk;
  }

 private:
  bool enable_;
};

class PullCommand : public Command {
 public:
  std::string name() const override { return "pull"; }
  std::string description() const override { return "从云端插件列表拉取全部插件到 Plug 目录"; }
  std::string usage() const override {
    return "用法: pindle pull\n  从“插件更新”的地址拉取插件列表并下载其中每个插件\n";
  }
  int execute(const std::vector<std::string>& args, Streams& io) override {
    if (!args.empty()) {
      io.err << usage();
      return kExitUsage;
    }
    const Config config = Config::Read();
    const PullReport report = PullPlugins({config.pluginListAddress, config.paths.plugDir, config.verifyTls});
    io.out << PullStatusText(PluginCatalog::Load(config.paths.plugDir).size(), report) << "\n";
    return report.ok() ? kExitOk : kExitFailed;
  }
};

}  // namespace

const PluginInfo* FindNamedPlugin(const PluginCatalog& catalog, const Text& name, Streams& io) {
  const PluginInfo* plugin = catalog.find(name);
  if (plugin == nullptr) {
    std::vector<Text> names;
    for (const PluginInfo& p : catalog.plugins())
      if (!p.name.empty()) names.push_back(p.name);
    io.err << "没有叫“" << name << "”的插件。本地插件：" << Join(names, "、") << "\n";
  }
  return plugin;
}

std::unique_ptr<Command> MakePluginsCommand() { return std::make_unique<PluginsCommand>(); }
std::unique_ptr<Command> MakeSwitchCommand(bool enable) { return std::make_unique<SwitchCommand>(enable); }
std::unique_ptr<Command> MakePullCommand() { return std::make_unique<PullCommand>(); }

}  // namespace pindle::cli
