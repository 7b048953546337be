#include <nlohmann/json.hpp>
#include <ostream>

#include "app/cli/command.h"
#include "plugins/cloud_plugin_sync.h"
#include "plugins/plugin_registry.h"
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
    MemoryControls ui;
    LoadPlugins(ui);
    static constexpr int kShown[] = {kPluginNameColumn,   kPluginSwitchColumn,  kPluginVersionColumn,
                                     kPluginAuthorColumn, kPluginUpdatedColumn, kPluginPathColumn};
    static constexpr const char* kKeys[] = {"name", "enabled", "version", "author", "updated", "file"};
    if (!json) io.out << "接口\t启用\t版本\t作者\t更新日期\t插件路径\n";
    for (const auto& row : ui.plugins().rows()) {
      auto cell = [&](int column) {
        return column < static_cast<int>(row.size()) ? row[static_cast<size_t>(column)] : Text();
      };
      if (json) {
        nlohmann::ordered_json line;
        for (size_t i = 0; i < std::size(kShown); ++i) line[kKeys[i]] = cell(kShown[i]);
        io.out << line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
      } else {
        for (size_t i = 0; i < std::size(kShown); ++i) io.out << (i ? "\t" : "") << cell(kShown[i]);
        io.out << "\n";
      }
    }
    return kExitOk;
  }
};

// enable / disable: the switch in "插件开关", set through the same action as the menu.
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
    MemoryControls ui;
    LoadPlugins(ui);
    auto& list = ui.plugins();
    const int row = FindNamedPlugin(list, args[0], io);
    if (row < 0) return kExitUsage;
    list.select(row);
    const Text problem = enable_ ? PluginRegistry::enable(ui) : PluginRegistry::disable(ui);
    if (!problem.empty()) {
      io.err << list.cell(row, kPluginNameColumn) << "：" << problem << "\n";
      return kExitFailed;
    }
    io.out << (enable_ ? "已开启插件：" : "已关闭插件：") << list.cell(row, kPluginNameColumn) << "\n";
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
    MemoryControls ui;
    const PullReport report = CloudPluginPull(ui);
    io.out << ui.statusText() << "\n";
    return report.ok() ? kExitOk : kExitFailed;
  }
};

}  // namespace

int FindNamedPlugin(ListControl& list, const Text& name, Streams& io) {
  int row = -1;
  std::vector<Text> names;
  for (int r = 0; r < list.rowCount(); ++r) {
    const Text n = list.cell(r, kPluginNameColumn);
    if (!n.empty()) names.push_back(n);
    if (row < 0 && n == name) row = r;
  }
  // The exact spelling first, so of two names that differ in letter case each can be named.
  for (int r = 0; r < list.rowCount() && row < 0; ++r)
    if (EqualsIgnoreAsciiCase(list.cell(r, kPluginNameColumn), name)) row = r;
  if (row < 0 || name.empty()) {
    io.err << "没有叫“" << name << "”的插件。本地插件：" << Join(names, "、") << "\n";
    return -1;
  }
  return row;
}

std::unique_ptr<Command> MakePluginsCommand() { return std::make_unique<PluginsCommand>(); }
std::unique_ptr<Command> MakeSwitchCommand(bool enable) { return std::make_unique<SwitchCommand>(enable); }
std::unique_ptr<Command> MakePullCommand() { return std::make_unique<PullCommand>(); }

}  // namespace pindle::cli
