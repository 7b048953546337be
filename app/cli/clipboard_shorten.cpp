#include <ostream>

#include "app/cli/command.h"
#include "app/cli/system_clipboard.h"
#include "config/config.h"
#include "generate/clipboard_shortening.h"
#include "secrets/plugin_inputs.h"

namespace pindle::cli {
namespace {

SystemClipboard& Storage() {
  static SystemClipboard clipboard;
  return clipboard;
}

}  // namespace

void SetSystemClipboard(SystemClipboard clipboard) { Storage() = std::move(clipboard); }
const SystemClipboard& TheSystemClipboard() { return Storage(); }

int ShortenClipboardAddress(const Text& wantedPlugin, const Text& pluginName, const Text& pluginFile,
                            const std::vector<Text>& urls, Streams& io) {
  if (!urls.empty()) {
    io.err << "--clipboard 取剪贴板上的网址，不再另给网址\n";
    return kExitUsage;
  }
  const SystemClipboard& clipboard = TheSystemClipboard();
  // A running window reaches the clipboard where this process may not (Wayland), and owns
  // what it puts there.
  if (clipboard.handToWindow) {
    if (const auto handed = clipboard.handToWindow(wantedPlugin)) {
      if (!handed->ok) {
        io.err << handed->problem << "\n";
        return kExitFailed;
      }
      io.out << handed->link << "\n";
      return kExitOk;
    }
  }
  Text problem = "这个程序没有接入剪贴板";
  const std::optional<Text> held = clipboard.read ? clipboard.read(problem) : std::nullopt;
  if (!held) {
    io.err << problem << "\n";
    return kExitFailed;
  }
  const ClipboardShortening pass = ShortenClipboardText(
      *held, {pluginName, pluginFile}, [](const Text& file) { return StoredPluginInputs(file, Paths().deployDir); },
      Config::Read());
  if (!pass.historyProblem.empty()) io.err << "历史记录未能写入：" << pass.historyProblem << "\n";
  if (!pass.ok) {
    io.err << pass.problem << "\n";
    if (clipboard.notify) clipboard.notify("没能缩短剪贴板上的网址", pass.problem);
    return kExitFailed;
  }
  const Text& result = pass.link;
  problem.clear();
  if (!clipboard.keep || !clipboard.keep(result, problem)) {
    io.out << result << "\n";
    io.err << "短网址没能放上剪贴板" << (problem.empty() ? Text() : "：" + problem) << "\n";
    return kExitFailed;
  }
  io.out << result << "\n";
  if (clipboard.notify) clipboard.notify("短网址已放上剪贴板", result + "\n" + pass.longUrl);
  return kExitOk;
}

}  // namespace pindle::cli
