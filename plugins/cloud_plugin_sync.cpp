#include "plugins/cloud_plugin_sync.h"

#include <mutex>

#include "json/json_document.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "plugins/plugin_definition.h"
#include "plugins/plugin_file.h"
#include "text/text_utils.h"
#include "web/web_request.h"

namespace pindle {
namespace {

std::mutex& manifestMutex() {
  static std::mutex m;
  return m;
}
Text& manifestText() {
  static Text text;
  return text;
}

// One pull at a time: two would only download the same files twice.
std::mutex& pullMutex() {
  static std::mutex m;
  return m;
}

// Why a downloaded body cannot replace a plug-in file; empty when it can.
Text rejectReason(const WebResponse& response) {
  if (response.failed()) return response.error;
  if (response.status >= 400) return "HTTP " + std::to_string(response.status);
  if (response.body.empty()) return "服务器返回空内容";
  JsonDocument check;
  Text text = DecodeLocalText(response.body.substr(0, response.body.find_first_of(Bytes("\0\x1A", 2))));
  if (!check.Parse(text) || check.TypeOf() != JsonType::Object) return "下载的内容不是插件文件";
  return {};
}

}  // namespace

Text CloudPluginSync::pluginListAddress() { return PluginListAddressSetting(); }

Text CloudPluginSync::pluginListText() {
  std::lock_guard lock(manifestMutex());
  return manifestText();
}

bool IsPlainPluginFileName(const Text& name) {
  if (name.size() <= 5 || name == "." || name == "..") return false;
  if (name.find_first_of(Text("/\\?#:\0", 6)) != Text::npos) return false;
  for (const char c : name)
    if (static_cast<unsigned char>(c) < 0x20) return false;
  return EqualsIgnoreAsciiCase(name.substr(name.size() - 5), ".json");
}

PullReport PullPlugins(const PullOptions& options) {
  std::lock_guard pull(pullMutex());
  const ConnectionReuseScope downloads;  // the manifest and the plug-ins mostly share one host
  Text plugDir = options.plugDir;
  if (!plugDir.empty() && plugDir.back() != '/') plugDir += '/';
  RequestOptions manifestRequest;
  manifestRequest.verifyTls = options.verifyTls;
  manifestRequest.url = options.listAddress;
  const WebResponse manifest = WebRequest(manifestRequest);
  const Text text = DecodeLocalText(manifest.body);
  // A manifest saved in UTF-8 names its files in UTF-8, and that is how they are asked for.
  const bool utf8Manifest = ReadsAsUtf8(manifest.body);
  {
    std::lock_guard lock(manifestMutex());
    manifestText() = text;
  }

  PullReport report;
  int& downloaded = report.downloaded;
  int& failed = report.failed;
  Text& problem = report.problem;
  JsonDocument list;
  if (manifest.failed()) {
    problem = "插件列表获取失败：" + manifest.error;
  } else if (!list.Parse(text) || list.TypeOf() != JsonType::Array) {
    problem = "插件列表格式错误";
  } else {
    EnsureDirectory(plugDir);
    const int count = list.Count();
    for (int i = 0; i < count && !options.stop.stop_requested(); ++i) {
      // Only string elements name plug-in files.
      const Text json = list.GetElementText(i, "", /*asJson=*/true);
      if (json.empty() || json.front() != '"') continue;
      const Text address = list.GetElementText(i);
      const Text name = FileNameOfPath(address);
      if (!IsPlainPluginFileName(name)) {
        ++failed;
        continue;
      }
      RequestOptions request;
      request.verifyTls = options.verifyTls;
      request.url = address;
      if (utf8Manifest) request.utf8Texts = true;
      // A link in Plug/ that leads elsewhere would have the download written outside the folder.
      if (WritesOutside(plugDir + name, plugDir)) {
        ++failed;
        if (problem.empty()) problem = name + " 是指向插件目录之外的链接，未写入";
        continue;
      }
      const WebResponse response = WebRequest(request);
      if (!rejectReason(response).empty() || !WriteFileAtomically(plugDir + name, response.body)) {
        ++failed;
        continue;
      }
      ++downloaded;
    }
  }

  return report;
}

Text PullStatusText(size_t loaded, const PullReport& report) {
  Text status = "插件加载完成！共加载 " + std::to_string(loaded) + " 个插件（云端下载 " +
                std::to_string(report.downloaded) + " 个，失败 " + std::to_string(report.failed) + " 个）";
  if (!report.problem.empty()) status += "，" + report.problem;
  return status;
}

PluginUpdateReport UpdatePluginFile(const Text& path, bool verifyTls) {
  const auto failed = [](Text why) { return PluginUpdateReport{false, "更新插件失败：" + std::move(why)}; };
  JsonDocument plugin;
  const PluginFileText file = ReadPluginFile(path);
  plugin.Parse(file.text);
  RequestOptions request;
  request.verifyTls = verifyTls;
  if (file.utf8) request.utf8Texts = true;
  request.url = plugin.GetText(kPluginUpdateUrlKey);
  if (request.url.empty()) return failed("插件没有更新地址（UpdateURL）");
  const WebResponse response = WebRequest(request);
  if (const Text reason = rejectReason(response); !reason.empty()) return failed(reason);
  if (WritesOutside(path, path.substr(0, path.find_last_of('/') + 1)))
    return failed("插件文件是指向插件目录之外的链接，未写入");
  if (!WriteFileAtomically(path, response.body)) return failed("无法写入插件文件");
  return {true, "更新插件完成！"};
}

}  // namespace pindle
