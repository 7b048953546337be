#include "generate/generate_command.h"

#include "generate/shorten_engine.h"
#include "history/history_recorder.h"
#include "json/json_document.h"
#include "platform/background.h"
#include "plugins/plugin_registry.h"
#include "web/text_utils.h"
#include "web/web_request.h"

namespace pindle {
namespace {

Text withoutLineEnd(Text line) {
  if (!line.empty() && line.back() == '\n') line.pop_back();
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

}  // namespace

int LineCount(const Text& text) {
  if (text.empty()) return 0;
  int count = 1;
  for (const char c : text) count += c == '\n';
  if (text.back() == '\n') --count;
  return count;
}

Text NthLine(const Text& text, int n) {
  const std::vector<Text> lines = Split(text, "\n");
  if (n < 1 || n > static_cast<int>(lines.size())) return {};
  Text line = lines[static_cast<size_t>(n - 1)];
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

int FindPluginRow(ListControl& list, const Text& name) {
  const int rows = list.rowCount();
  for (int row = 0; row < rows; ++row)
    if (EqualsIgnoreAsciiCase(list.cell(row, kPluginNameColumn), name)) return row;
  return -1;
}

void OnGenerateClicked(Controls& ui) {
  if (ui.pluginList().rowCount() == 0) {
    ui.setStatusText("插件未加载，请刷新插件列表");
    return;
  }
  if (ui.longUrlBox().text().empty()) {
    ui.setStatusText("请输入网址啊！");
    return;
  }
  if (ui.pluginChoice().currentIndex() < 0) {
    ui.setStatusText("请选择需要生成的接口！");
    return;
  }
  StartDetached([&ui] { RunGeneration(ui); });
}

void RunGeneration(Controls& ui) {
  const ConnectionReuseScope batch;  // one connection to the service for the whole batch
  JsonDocument document;
  ui.resultList().clearRows();
  const Text name = ui.pluginChoice().currentText();
  const int row = FindPluginRow(ui.pluginList(), name);
  const int count = LineCount(ui.longUrlBox().text());

  int failedPasses = 0;
  Text firstFailure;
  HistoryRecorder history;
  auto pass = [&](int lineNumber, const Text& longUrl) {
    ui.setStatusText("正在生成网址");
    const Text pluginFile = row >= 0 ? ui.pluginList().cell(row, kPluginPathColumn) : Text();
    Text failure;
    const Text result = ShortenOne(pluginFile, longUrl, document, &failure);
    const Text pluginName = row >= 0 ? ui.pluginList().cell(row, kPluginNameColumn) : Text();
    ui.resultList().appendRow({pluginName, result});
    history.record({pluginName, longUrl, result, failure});
    if (failure.empty()) {
      ui.setStatusText(failedPasses == 0 ? Text("网址生成完毕!")
                                         : "网址生成完毕! 共 " + std::to_string(failedPasses) + " 行请求失败（" +
                                               firstFailure + "）");
      return;
    }
    ++failedPasses;
    const Text where = count > 1 ? "第 " + std::to_string(lineNumber) + " 行：" : Text();
    if (firstFailure.empty()) firstFailure = where + failure;
    ui.setStatusText("网址生成完毕! " + where + "请求失败：" + failure);
  };

  if (count == 1) {
    // A single URL goes out without the line break that may end it.
    pass(1, withoutLineEnd(ui.longUrlBox().text()));
  } else {
    for (int n = 1; n <= count; ++n) pass(n, NthLine(ui.longUrlBox().text(), n));
  }
  // The batch is done either way; the status bar only adds that its history is missing.
  if (!history.flush()) ui.setStatusText(ui.statusText() + " 历史记录未能写入：" + history.failure());
}

}  // namespace pindle
