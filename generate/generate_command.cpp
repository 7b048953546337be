#include "generate/generate_command.h"

#include <atomic>
#include <mutex>
#include <optional>
#include <set>

#include "config/fallback_plugins.h"
#include "config/settings.h"
#include "generate/batch_runner.h"
#include "generate/failure_reason.h"
#include "generate/line_cursor.h"
#include "generate/line_history.h"
#include "generate/shorten_engine.h"
#include "history/history_recorder.h"
#include "json/json_document.h"
#include "platform/background.h"
#include "plugins/loaded_plugins.h"
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

std::vector<BatchPlugin> FallbackPlugins(const PluginCatalog& catalog, const Text& chosen) {
  std::vector<BatchPlugin> plugins;
  std::vector<Text> taken{chosen};
  for (const Text& name : FallbackPluginsSetting()) {
    const PluginInfo* found = catalog.find(name);
    if (found == nullptr || !found->enabled()) continue;
    bool seen = false;
    for (const Text& t : taken) seen = seen || EqualsIgnoreAsciiCase(t, found->name);
    if (seen) continue;
    taken.push_back(found->name);
    plugins.push_back({found->name, found->path});
  }
  return plugins;
}

void OnGenerateClicked(Controls& ui, Workers& workers, GenerationServices inputs) {
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
  // Not stopped by the worker's stop token: a batch ends through StopGenerations, which writes what
  // it has to the history first.
  workers.start([&ui, inputs = std::move(inputs)](std::stop_token) { RunGeneration(ui, inputs); });
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

void RunGeneration(Controls& ui, const GenerationServices& services) {
  const PluginInputsLookup& inputs = services.inputs;
  const Unfinished counted;
  ui.resultList().clearRows();
  const Text name = ui.pluginChoice().currentText();
  const LoadedPlugins& plugins = LoadedPluginsOf(ui);
  // The plug-in is held by its file: a reload may re-sort the list under the batch, and the
  // lines (with this plug-in's keys) must not go to whatever plug-in then stands in its row.
  const std::optional<PluginInfo> chosen = plugins.at(plugins.find(name));
  TextControl& box = ui.longUrlBox();
  std::uint64_t boxRevision = box.revision();
  Text text = box.text();
  const int count = LineCount(text);
  if (count == 0) return;
  // A single URL goes out without the line break that may end it.
  LineCursor lines(count == 1 ? withoutLineEnd(std::move(text)) : std::move(text));

  BatchView& view = ui.batchView();
  GenerationJob job;
  job.lineCount = count;
  job.concurrency = count == 1 ? 1 : ConcurrencySetting();
  job.retry = count > 1;
  job.verifyTls = VerifyTlsSetting();
  job.clock = services.clock;
  // Each pass takes its line from the box as it stands; the box is read again only after it changed.
  const auto lineAt = [&](int n) {
    if (count > 1 && box.revision() != boxRevision) {
      boxRevision = box.revision();
      lines = LineCursor(box.text());
    }
    return lines.line(n);
  };
  // Only a plug-in that takes an alias reads one from its lines.
  const bool aliases = chosen && PluginDefinition::FromFile(chosen->path).usesAlias();
  job.lines = [&](int n) -> std::optional<JobLine> {
    if (n > count) return std::nullopt;
    JobLine line{lineAt(n)};
    const size_t tab = aliases ? line.longUrl.find('\t') : Text::npos;
    if (tab != Text::npos) {
      line.alias = Trim(line.longUrl.substr(tab + 1));
      line.longUrl.resize(tab);
    }
    return line;
  };
  // The plug-in's entry as a copy, found again by its file only after the loaded plug-ins changed.
  std::optional<std::uint64_t> listRevision;
  BatchPlugin plugin;
  job.plugin = [&] {
    const std::uint64_t revision = plugins.revision();
    if (listRevision != revision) {
      listRevision = revision;
      const std::optional<PluginInfo> listed = chosen ? plugins.at(plugins.rowOfFile(chosen->path)) : std::nullopt;
      if (listed) {
        plugin = BatchPlugin{listed->name, listed->path};
        if (inputs) plugin.inputs = inputs(plugin.file);
      } else if (chosen) {
        plugin = BatchPlugin{chosen->name, chosen->path};
        plugin.unavailable = PluginGoneReason(chosen->name);
      }
    }
    return plugin;
  };
  job.fallbacks = FallbackPlugins(plugins.catalog(), name);
  if (inputs)
    for (BatchPlugin& fallback : job.fallbacks) fallback.inputs = inputs(fallback.file);
  job.onStart = [&](int) { view.setStatusText("正在生成网址"); };
  job.onWait = [&](const BatchWait& wait) { view.setStatusText(WaitStatusText(wait)); };
  int linkless = 0;
  Text firstFailure;
  // After a failure the status keeps the first one in view, with the count so far.
  const auto failures = [&] {
    return "网址生成完毕! 共 " + std::to_string(linkless) + " 行失败（" + firstFailure + "）";
  };
  HistoryRecorder history;
  job.onResult = [&](const BatchLineResult& r) {
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
  BatchRunner runner(std::move(job));
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

Text StoppedStatusText(int done) { return "已停止生成：完成 " + std::to_string(done) + " 行"; }

}  // namespace pindle
