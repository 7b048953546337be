#include "app/gui/actions/moved_keys.h"

#include <algorithm>
#include <mutex>
#include <set>
#include <utility>

#include "app/gui/actions/loaded_plugins.h"
#include "config/fallback_plugins.h"
#include "generate/batch_plan.h"
#include "secrets/key_binding.h"

namespace pindle {
namespace {

// The plug-ins and addresses the user said no to, while the window runs.
class DeclinedMoves {
 public:
  bool has(const Text& plugin, const Text& origin) {
    const std::lock_guard lock(mutex_);
    return declined_.count({plugin, origin}) > 0;
  }
  void add(const Text& plugin, const Text& origin) {
    const std::lock_guard lock(mutex_);
    declined_.insert({plugin, origin});
  }

 private:
  std::mutex mutex_;
  std::set<std::pair<Text, Text>> declined_;
};

Text Question(const MovedKey& moved) {
  return "插件“" + moved.plugin + "”的地址已从 " + moved.from + " 改为 " + moved.to + "。\n" + "保存的密钥是给 " +
         moved.from + " 的，要把它发往 " + moved.to + " 吗？\n\n" + "确认：密钥今后发往 " + moved.to + "（同 " +
         TrustCommand(moved.plugin) + "）\n" + "取消：不发送，用这个插件的网址生成失败";
}

}  // namespace

void AskAboutMovedKeys(Controls& ui, const std::vector<Text>& pluginFiles) {
  DeclinedMoves& declined = ui.kept<DeclinedMoves>();
  std::vector<Text> asked;
  for (const Text& file : pluginFiles) {
    if (file.empty() || std::find(asked.begin(), asked.end(), file) != asked.end()) continue;
    asked.push_back(file);
    const std::optional<MovedKey> moved = FindMovedKey(file, Paths().deployDir);
    if (!moved || declined.has(moved->plugin, moved->origin)) continue;
    const int answer = ui.showNotice({.message = Question(*moved),
                                      .buttons = kButtonsOkCancel,
                                      .title = "密钥的去处",
                                      .timeoutMs = 0,
                                      .okText = "确认"});
    if (answer == kNoticeCancel) {
      declined.add(moved->plugin, moved->origin);
      continue;
    }
    if (answer != kNoticeOk) continue;
    if (const BindOutcome bound = TrustPresentOrigin(file, Paths().deployDir, moved->fields); !bound.message.empty())
      ui.setStatusText(bound.message);
  }
}

std::vector<Text> GenerationPluginFiles(Controls& ui) {
  std::vector<Text> files;
  const Text name = ui.pluginChoice().currentText();
  const LoadedPlugins& plugins = LoadedPluginsOf(ui);
  if (const std::optional<PluginInfo> chosen = plugins.at(plugins.find(name))) files.push_back(chosen->path);
  for (const BatchPlugin& fallback : FallbackPlugins(plugins.catalog(), FallbackPluginsSetting(), name))
    files.push_back(fallback.file);
  return files;
}

}  // namespace pindle
