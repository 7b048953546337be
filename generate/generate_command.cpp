#include "generate/generate_command.h"

#include <atomic>
#include <mutex>
#include <optional>
#include <set>

#include "config/fallback_plugins.h"
#include "config/settings.h"
#include "generate/batch_runner.h"
#include "generate/line_history.h"
#include "generate/shorten_engine.h"
#include "history/history_recorder.h"
#include "json/json_document.h"
#include "platform/background.h"
#include "plugins/plugin_definition.h"
#include "plugins/plugin_registry.h"
#include "plugins/plugin_rows.h"
#include "text/text_utils.h"
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

std::vector<BatchPlugin> FallbackPlugins(ListControl& list, const Text& chosen) {
  std::vector<BatchPlugin> plugins;
  std::vector<Text> taken{chosen};
  for (const Text& name : FallbackPluginsSetting()) {
    const int row = FindPluginRow(list, name);
    if (row < 0 || list.cell(row, kPluginSwitchColumn) != kSwitchOn) continue;
    const Text found = list.cell(row, kPluginNameColumn);
    bool seen = false;
    for (const Text& t : taken) seen = seen || EqualsIgnoreAsciiCase(t, found);
    if (seen) continue;
    taken.push_back(found);
    plugins.push_back({found, list.cell(row, kPluginPathColumn)});
  }
  return plugins;
}

int FindPluginRow(ListControl& list, const Text& name) {
  std::vector<Text> names;
  const int rows = list.rowCount();
  for (int row = 0; row < rows; ++row) names.push_back(list.cell(row, kPluginNameColumn));
  return FindPluginName(names, name);
}

void OnGenerateClicked(Controls& ui, PluginInputsLookup inputs) {
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
  StartDetached([&ui, inputs = std::move(inputs)] { RunGeneration(ui, inputs); });
}

namespace {

// The batches running now, so that 停止生成 and Esc reach them.
std::mutex runningMutex;
std::set<BatchRunner*> running;
// Generations not yet over, their history write included.
std::atomic<int> unfinished{0};

struct Unfinished {
  Unfinished() { ++unfinished; }
  ~Unfinished() { --unfinished; }
};

struct RunningBatch {
  BatchRunner& runner;
  explicit RunningBatch(BatchRunner& r) : runner(r) {
    const std::lock_guard lock(runningMutex);
    running.insert(&runner);
  }
  ~RunningBatch() {
    const std::lock_guard lock(runningMutex);
    running.erase(&runner);
  }
};

}  // namespace

bool StopGenerations() {
  const std::lock_guard lock(runningMutex);
  for (BatchRunner* runner : running) runner->stop();
  return !running.empty();
}

bool GenerationRunning() {
  const std::lock_guard lock(runningMutex);
  return !running.empty();
}

bool GenerationUnfinished() { return unfinished.load() > 0; }

Text WaitStatusText(const BatchWait& wait) {
  const auto seconds = (wait.length.count() + 999) / 1000;
  return "等待 " + std::to_string(seconds) + " 秒后重发：" + wait.reason;
}

void RunGeneration(Controls& ui, const PluginInputsLookup& inputs) {
  const Unfinished counted;
  ui.resultList().clearRows();
  const Text name = ui.pluginChoice().currentText();
  ListControl& plugins = ui.pluginList();
  const int row = FindPluginRow(plugins, name);
  TextControl& box = ui.longUrlBox();
  std::uint64_t boxRevision = box.revision();
  const Text text = box.text();
  const int count = LineCount(text);
  if (count == 0) return;
  // A single URL goes out without the line break that may end it.
  std::vector<Text> lines = count == 1 ? std::vector<Text>{withoutLineEnd(text)} : SplitLines(text);

  BatchView& view = ui.batchView();
  BatchSettings settings;
  settings.lineCount = count;
  settings.concurrency = count == 1 ? 1 : ConcurrencySetting();
  settings.retry = count > 1;
  // Each pass takes its line from the box as it stands; the box is read again only after it changed.
  const auto lineAt = [&](int n) {
    if (count > 1 && box.revision() != boxRevision) {
      boxRevision = box.revision();
      lines = SplitLines(box.text());
    }
    return n <= static_cast<int>(lines.size()) ? lines[static_cast<size_t>(n - 1)] : Text();
  };
  // Only a plug-in that takes an alias reads one from its lines.
  const bool aliases = row >= 0 && PluginDefinition::FromFile(plugins.cell(row, kPluginPathColumn)).usesAlias();
  settings.longUrl = [&](int n) {
    const Text line = lineAt(n);
    return aliases ? line.substr(0, line.find('\t')) : line;
  };
  if (aliases)
    settings.alias = [&](int n) {
      const Text line = lineAt(n);
      const size_t tab = line.find('\t');
      return tab == Text::npos ? Text() : Trim(line.substr(tab + 1));
    };
  // The plug-in's row as a copy, read again only after the plug-in list changed.
  std::optional<std::uint64_t> listRevision;
  BatchPlugin plugin;
  settings.plugin = [&] {
    const std::uint64_t revision = plugins.revision();
    if (listRevision != revision) {
      listRevision = revision;
      plugin = row >= 0 ? BatchPlugin{plugins.cell(row, kPluginNameColumn), plugins.cell(row, kPluginPathColumn)}
                        : BatchPlugin{};
      if (row >= 0 && inputs) plugin.inputs = inputs(plugin.file);
    }
    return plugin;
  };
  settings.fallbacks = FallbackPlugins(plugins, name);
  if (inputs)
    for (BatchPlugin& fallback : settings.fallbacks) fallback.inputs = inputs(fallback.file);
  settings.onStart = [&](int) { view.setStatusText("正在生成网址"); };
  settings.onWait = [&](const BatchWait& wait) { view.setStatusText(WaitStatusText(wait)); };
  int linkless = 0;
  Text firstFailure;
  // After a failure the status keeps the first one in view, with the count so far.
  const auto failures = [&] {
    return "网址生成完毕! 共 " + std::to_string(linkless) + " 行失败（" + firstFailure + "）";
  };
  HistoryRecorder history;
  settings.onResult = [&](const BatchLineResult& r) {
    // The row holds what the extraction gave, as always; its tool tip says why it is no link.
    view.appendRow({r.plugin.name, r.result}, r.reason);
    RecordLine(history, r);
    if (count > 1) view.setProgress(r.line, count);
    if (r.linked()) {
      view.setStatusText(linkless == 0 ? Text("网址生成完毕!") : failures());
      return;
    }
    ++linkless;
    const Text where = count > 1 ? "第 " + std::to_string(r.line) + " 行" : Text();
    if (firstFailure.empty()) firstFailure = where + (where.empty() ? "" : "：") + r.reason;
    view.setStatusText("网址生成完毕! " + where + "失败：" + r.reason);
  };

  if (count > 1) view.setProgress(0, count);
  BatchRunner runner(std::move(settings));
  int done = 0;
  {
    const RunningBatch registered(runner);
    done = runner.run();
  }
  if (runner.stopped())
    view.setStatusText(StoppedStatusText(done, count));
  else if (linkless > 0 && count > 1)
    view.setStatusText(failures());
  if (count > 1) view.setProgress(0, 0);
  view.flush();
  view.finished(done, linkless);
  // The batch is done either way; the status bar only adds that its history is missing.
  if (!history.flush()) ui.setStatusText(ui.statusText() + " 历史记录未能写入：" + history.failure());
}

Text StoppedStatusText(int done, int count) {
  return "已停止生成：完成 " + std::to_string(done) + " / " + std::to_string(count) + " 行";
}

}  // namespace pindle
