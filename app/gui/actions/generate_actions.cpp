#include "app/gui/actions/generate_actions.h"

#include <atomic>
#include <mutex>
#include <optional>
#include <set>

#include "app/gui/actions/csv_box.h"
#include "app/gui/actions/loaded_plugins.h"
#include "generate/batch_results.h"
#include "generate/batch_runner.h"
#include "generate/generate_command.h"
#include "generate/line_cursor.h"
#include "generate/line_history.h"
#include "history/history_recorder.h"

namespace pindle {
namespace {

Text WithoutLineEnd(Text line) {
  if (!line.empty() && line.back() == '\n') line.pop_back();
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

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

void RunGeneration(Controls& ui, const GenerationServices& services) {
  const Unfinished counted;
  ui.resultList().clearRows();
  const Config config = Config::Read();
  LoadedPlugins& plugins = LoadedPluginsOf(ui);
  TextControl& box = ui.longUrlBox();
  std::uint64_t boxRevision = box.revision();
  Text text = box.text();
  const int count = LineCount(text);
  // The rows kept for 导出结果…, with the CSV file's columns when the box holds its lines.
  BatchResults& results = ui.kept<BatchResults>();
  results.start(ui.kept<CsvInBox>().tableOf(text));
  if (count == 0) return;
  // A single URL goes out without the line break that may end it.
  LineCursor lines(count == 1 ? WithoutLineEnd(std::move(text)) : std::move(text));

  BatchRequest request;
  request.catalog = plugins.catalog();
  request.plugin = ui.pluginChoice().currentText();
  request.fallbacks = config.fallbackPlugins;
  request.listed = [&plugins](const Text& file) { return plugins.at(plugins.rowOfFile(file)); };
  request.revision = [&plugins] { return plugins.revision(); };
  request.inputs = services.inputs;
  request.lineCount = count;
  request.single = count == 1;
  request.lines = [&](int n) -> std::optional<Text> {
    if (n > count) return std::nullopt;
    if (count > 1 && box.revision() != boxRevision) {
      boxRevision = box.revision();
      lines = LineCursor(box.text());
    }
    return lines.line(n);
  };
  request.config = config;
  request.reuseLinks = config.reuseLinks;
  request.clock = services.clock;
  GenerationJob job = PlanBatch(std::move(request));

  BatchView& view = ui.batchView();
  job.onStart = [&](int) { view.setStatusText("正在生成网址"); };
  job.onWait = [&](const BatchWait& wait) { view.setStatusText(WaitStatusText(wait)); };
  int linkless = 0;
  Text firstFailure;
  // After a failure the status keeps the first one in view, with the count so far.
  const auto failures = [&] {
    return "网址生成完毕! 共 " + std::to_string(linkless) + " 行失败（" + firstFailure + "）";
  };
  HistoryRecorder history(HistoryStore(HistoryFile(config.paths)), config.recordHistory);
  job.onResult = [&](const BatchLineResult& r) {
    // The row holds what the extraction gave, as always; its tool tip says why it is no link.
    view.appendRow({r.plugin.name, r.result}, r.reused ? Text(kReusedLinkTip) : r.reason);
    RecordLine(history, r);
    results.add(r);
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

}  // namespace pindle
