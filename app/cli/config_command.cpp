#include <ostream>

#include "app/cli/command.h"
#include "config/app_paths.h"
#include "plugins/plugin_catalog.h"
#include "plugins/plugin_definition.h"
#include "secrets/field_store.h"
#include "secrets/key_binding.h"
#include "secrets/secret_service.h"

namespace pindle::cli {
namespace {

class ConfigCommand : public Command {
 public:
  std::string name() const override { return "config"; }
  std::string description() const override { return "查看或设置插件的配置（密钥存入系统的密钥服务）"; }
  std::string usage() const override {
    return "用法: pindle config 插件名                   列出插件的字段和值（密钥显示为 ••••）\n"
           "      pindle config 插件名 字段=值 ...       设置字段\n"
           "      pindle config 插件名 --unset 字段      删除字段的值\n"
           "      pindle config 插件名 --trust           保存的密钥今后发往插件现在的地址\n"
           "  --plain  没有密钥服务时，把密钥明文存入 Deploy/插件名.ini（只有本人可读）\n"
           "  密钥只发往保存它时插件的地址；插件的地址变了，要用 --trust 确认后才发送\n";
  }

  int execute(const std::vector<std::string>& args, Streams& io) override {
    if (args.empty()) {
      io.err << usage();
      return kExitUsage;
    }
    bool plain = false;
    bool trust = false;
    std::vector<Text> unset;
    std::vector<std::pair<Text, Text>> assignments;
    for (size_t i = 1; i < args.size(); ++i) {
      const std::string& a = args[i];
      if (a == "--plain") {
        plain = true;
      } else if (a == "--trust") {
        trust = true;
      } else if (a == "--unset") {
        if (i + 1 >= args.size()) {
          io.err << "--unset 后面需要字段名\n" << usage();
          return kExitUsage;
        }
        unset.push_back(args[++i]);
      } else if (const size_t eq = a.find('='); eq != std::string::npos && eq > 0) {
        assignments.emplace_back(a.substr(0, eq), a.substr(eq + 1));
      } else {
        io.err << "“" << a << "”不是 字段=值\n" << usage();
        return kExitUsage;
      }
    }

    const PluginCatalog catalog = LoadPluginCatalog();
    const PluginInfo* found = FindNamedPlugin(catalog, args[0], io);
    if (found == nullptr) return kExitUsage;
    const PluginDefinition plugin = PluginDefinition::FromFile(found->path);
    const Text pluginName = plugin.name();
    std::vector<PluginField> fields = plugin.fields();
    if (fields.empty()) {
      io.err << "插件“" << pluginName << "”没有需要配置的字段\n";
      return assignments.empty() && unset.empty() ? kExitOk : kExitUsage;
    }
    const SecretService secrets;
    FieldStore store(Paths().deployDir, pluginName, std::move(fields), secrets);
    if (!store.problem().empty()) {
      io.err << store.problem() << "\n";
      return kExitFailed;
    }
    if (assignments.empty() && unset.empty() && !trust) {
      io.out << "字段\t名称\t值\t保存位置\n";
      for (const ListedField& f : store.list())
        io.out << f.declared.name << '\t' << f.declared.shownLabel() << '\t' << f.shown << '\t' << f.where << "\n";
      return kExitOk;
    }
    // Every name is checked before anything is stored, so a typo changes nothing.
    for (const auto& name : unset)
      if (!known(store, name, io)) return kExitUsage;
    for (const auto& [name, value] : assignments)
      if (!known(store, name, io)) return kExitUsage;
    int exit = kExitOk;
    std::vector<Text> secretsSet;
    // A field the address is built from (a server's address), changed here by the user: the
    // keys go with it.
    bool addressMoved = false;
    for (const auto& [name, value] : assignments) {
      const StoreOutcome outcome = store.set(name, value, plain);
      if (outcome.ok) {
        io.out << outcome.message << "\n";
        for (const PluginField& f : store.fields()) {
          if (f.name != name) continue;
          if (f.secret) secretsSet.push_back(name);
          addressMoved = addressMoved || (!f.secret && NamedInAddress(plugin, name));
        }
        continue;
      }
      io.err << outcome.message;
      if (outcome.needsPlainConfirmation)
        io.err << "。要明文保存到 " << store.configPath() << "（只有本人可读），请加 --plain 再执行一次";
      io.err << "\n";
      exit = kExitFailed;
    }
    for (const auto& name : unset) {
      const StoreOutcome outcome = store.unset(name);
      (outcome.ok ? io.out : io.err) << outcome.message << "\n";
      if (!outcome.ok) exit = kExitFailed;
      addressMoved = addressMoved || (outcome.ok && NamedInAddress(plugin, name));
    }
    // A key given now is bound to where the plug-in's request goes now (its other fields set
    // first, so a server's address set in the same command counts); --trust, and a server's
    // address changed here, bind every stored one.
    if (trust || addressMoved || !secretsSet.empty()) {
      const BindOutcome bound = BindSecrets(plugin, store, trust || addressMoved ? std::vector<Text>() : secretsSet);
      if (!bound.ok) {
        io.err << bound.message << "\n";
        exit = kExitFailed;
      } else if (!bound.message.empty()) {
        io.out << (trust ? "已确认：" : "") << bound.message << "\n";
      } else if (trust) {
        io.out << "插件“" << pluginName << "”没有保存的密钥\n";
      }
    }
    return exit;
  }

 private:
  static bool NamedInAddress(const PluginDefinition& plugin, const Text& field) {
    return plugin.apiPath().find(kFieldPlaceholderStart + field + "$") != Text::npos;
  }
  static bool known(const FieldStore& store, const Text& name, Streams& io) {
    for (const PluginField& f : store.fields())
      if (f.name == name) return true;
    Text names;
    for (const PluginField& f : store.fields()) names += (names.empty() ? "" : "、") + f.name;
    io.err << "插件没有字段“" << name << "”。字段：" << names << "\n";
    return false;
  }
};

}  // namespace

std::unique_ptr<Command> MakeConfigCommand() { return std::make_unique<ConfigCommand>(); }

}  // namespace pindle::cli
