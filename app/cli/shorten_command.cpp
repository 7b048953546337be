#include <signal.h>

#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <istream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <set>

#include "app/cli/command.h"
#include "app/cli/csv_input.h"
#include "app/cli/input_lines.h"
#include "config/app_paths.h"
#include "config/config.h"
#include "config/settings.h"
#include "generate/batch_plan.h"
#include "generate/batch_runner.h"
#include "generate/csv_batch.h"
#include "generate/generate_command.h"
#include "generate/line_history.h"
#include "generate/run_field_values.h"
#include "generate/shorten_engine.h"
#include "history/history_recorder.h"
#include "platform/codepage.h"
#include "plugins/plugin_definition.h"
#include "secrets/plugin_inputs.h"
#include "text/control_characters.h"
#include "text/csv_writer.h"
#include "text/text_utils.h"

namespace pindle::cli {
namespace {

enum class Format { Plain, Tsv, Json };

// A long URL as a message names it: escaped, and cut where a giant line would flood the terminal.
Text LongUrlPreview(const Text& longUrl) {
  constexpr int kShown = 200;
  if (longUrl.size() <= 2 * kShown) return EscapeControlCharacters(longUrl);
  return EscapeControlCharacters(Left(longUrl, kShown)) + "…（共 " + std::to_string(longUrl.size()) + " 字节）";
}

// Progress on a terminal: done of total (just done when the total is not known), elapsed time,
// rate, and the wait for a service if any. Redrawn at most ten times a second, so a large batch
// does not spend its time on the terminal.
class Progress {
 public:
  Progress(std::ostream& err, bool show, std::optional<size_t> total)
      : err_(err), show_(show && total.value_or(2) > 1), total_(total), start_(Clock::now()) {}
  bool showing() const { return show_; }
  void update(size_t done) {
    done_ = done;
    if (!visible_ || done == total_ || Clock::now() - drawn_ >= std::chrono::milliseconds(100)) draw();
  }
  void waiting(const BatchWait& wait) {
    wait_ = WaitStatusText(wait);
    draw();
  }
  // Takes the progress line off the terminal, so that a message or a result takes its place;
  // the next update() draws it again below.
  void clear() {
    if (!show_ || !visible_) return;
    err_ << "\r\033[K" << std::flush;
    visible_ = false;
  }
  // The batch is over: without a total the last count stands on its own line, as a total's does.
  void finish() {
    if (!show_ || total_ || done_ == 0) return;
    ended_ = true;
    draw();
  }

 private:
  using Clock = std::chrono::steady_clock;
  bool complete() const { return total_ ? done_ == *total_ : ended_; }
  void draw() {
    if (!show_) return;
    drawn_ = Clock::now();
    const double seconds = std::chrono::duration<double>(drawn_ - start_).count();
    const double rate = seconds > 0 ? static_cast<double>(done_) / seconds : 0;
    char line[160];
    if (total_)
      std::snprintf(line, sizeof line, "\r\033[K已完成 %zu/%zu，用时 %.1f 秒，每秒 %.1f 个", done_, *total_, seconds,
                    rate);
    else
      std::snprintf(line, sizeof line, "\r\033[K已完成 %zu，用时 %.1f 秒，每秒 %.1f 个", done_, seconds, rate);
    err_ << line;
    visible_ = true;
    if (!complete() && !wait_.empty()) err_ << "；" << wait_;
    if (complete()) {
      err_ << "\n";
      visible_ = false;
    }
    err_ << std::flush;
    wait_.clear();
  }

  std::ostream& err_;
  bool show_;
  std::optional<size_t> total_;
  size_t done_ = 0;
  bool ended_ = false;
  bool visible_ = false;  // the progress text stands on the terminal's last line
  Text wait_;
  Clock::time_point start_, drawn_{};
};

// Ctrl-C during a batch: the batch stops, the lines done so far stay printed.
volatile std::sig_atomic_t interrupted = 0;
void OnInterrupt(int) { interrupted = 1; }

class InterruptScope {
 public:
  InterruptScope() {
    interrupted = 0;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &previous_);
  }
  ~InterruptScope() { sigaction(SIGINT, &previous_, nullptr); }

 private:
  struct sigaction previous_ {};
};

class ShortenCommand : public Command {
 public:
  std::string name() const override { return "shorten"; }
  std::string description() const override { return "生成短网址（网址作参数，或从标准输入每行一个）"; }
  std::string usage() const override {
    return "用法: pindle shorten [-p 插件名[,备用插件...]] [-j 并发数] [--alias 别名] [--tsv | --json] [网址 ...]\n"
           "      pindle shorten --csv [--bom] [-p 插件名[,备用插件...]] [-j 并发数] < 表格.csv\n"
           "      pindle shorten --clipboard [-p 插件名]\n"
           "  不给网址时从标准输入读取，每行一个。\n"
           "  -p 插件名  使用已启用的这个插件（不区分大小写）；省略时用第一个已启用、配置齐全的插件\n"
           "  -p A,B,C   先用 A；A 没有给出短网址的行依次交给 B、C（输出中的插件是给出短网址的那个）\n"
           "  -j 并发数  同一服务同时进行的请求数（1 到 64），省略时用 Setting.ini 的“并发数”（默认 4）\n"
           "  --alias 别名 请服务用这个自定义短网址（只用于一个网址；插件须支持 $Alias$）\n"
           "  --tsv      每行输出 长网址<TAB>短网址<TAB>插件\n"
           "  --json     每行输出一个 JSON 对象\n"
           "  --csv      标准输入是带表头的 CSV：按表头找长网址列（Long URL、url、长网址……）和别名列\n"
           "             （Short code、alias、后缀……）；输出原样的各列，再加 短网址、插件、失败原因 三列\n"
           "  --bom      --csv 的输出以 UTF-8 字节顺序标记开头（给电子表格程序）\n"
           "  --field 字段=值 这一次运行里插件的这个字段用这个值（可重复；不保存）\n"
           "  --reuse    这个插件以前成功缩短过的长网址直接用历史里的短网址，不发请求\n"
           "  --clipboard 缩短剪贴板上的网址，短网址放回剪贴板并输出\n"
           "输入行可写成 长网址<TAB>别名。输出与输入逐行对应。服务限流（429，或带 Retry-After 的 "
           "503）时等待后重发；Ctrl-C 停止，\n"
           "已完成的行照常输出。\n"
           "退出码: 0 全部成功，1 有失败的行，2 用法错误，130 被 Ctrl-C 停止\n";
  }

  int execute(const std::vector<std::string>& args, Streams& io) override {
    std::string pluginName;
    bool pluginGiven = false;
    std::optional<Text> alias;
    bool clipboard = false;
    Format format = Format::Plain;
    int jobs = 0;
    std::vector<Text> urls;
    bool csv = false;
    bool bom = false;
    bool reuse = false;
    std::vector<std::pair<Text, Text>> fieldValues;
    for (size_t i = 0; i < args.size(); ++i) {
      const std::string& a = args[i];
      if (a == "-p" || a == "--plugin") {
        if (i + 1 >= args.size()) {
          io.err << "-p 后面需要插件名\n" << usage();
          return kExitUsage;
        }
        pluginName = args[++i];
        pluginGiven = true;
      } else if (a == "-j" || a == "--jobs") {
        const std::string value = i + 1 < args.size() ? args[++i] : std::string();
        const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), jobs);
        if (value.empty() || error != std::errc() || end != value.data() + value.size() || jobs < 1 ||
            jobs > kMaxConcurrency) {
          io.err << "-j 后面需要 1 到 " << kMaxConcurrency << " 的并发数\n" << usage();
          return kExitUsage;
        }
      } else if (a == "--alias") {
        if (i + 1 >= args.size()) {
          io.err << "--alias 后面需要别名\n" << usage();
          return kExitUsage;
        }
        alias = args[++i];
      } else if (a == "--tsv") {
        format = Format::Tsv;
      } else if (a == "--json") {
        format = Format::Json;
      } else if (a == "--clipboard") {
        clipboard = true;
      } else if (a == "--csv") {
        csv = true;
      } else if (a == "--bom") {
        bom = true;
      } else if (a == "--reuse") {
        reuse = true;
      } else if (a == "--field") {
        const std::string value = i + 1 < args.size() ? args[++i] : std::string();
        const size_t equals = value.find('=');
        if (equals == std::string::npos || equals == 0) {
          io.err << "--field 后面需要 字段=值\n" << usage();
          return kExitUsage;
        }
        fieldValues.emplace_back(value.substr(0, equals), value.substr(equals + 1));
      } else if (a.size() > 1 && a[0] == '-' && a != "-") {
        io.err << "未知选项：" << a << "\n" << usage();
        return kExitUsage;
      } else {
        urls.push_back(a);
      }
    }

    if (clipboard && (reuse || !fieldValues.empty())) {
      io.err << "--field、--reuse 不能与 --clipboard 同用\n" << usage();
      return kExitUsage;
    }
    if (const char* misuse = CsvMisuse(csv, bom, format, alias.has_value(), clipboard, !urls.empty())) {
      io.err << misuse << "\n" << usage();
      return kExitUsage;
    }

    const PluginCatalog catalog = LoadPluginCatalog();
    const std::vector<const PluginInfo*> enabled = catalog.enabled();
    std::vector<Text> offered;
    for (const PluginInfo* plugin : enabled) offered.push_back(plugin->name);
    auto offeredIndex = [&](const Text& wanted) { return FindPluginName(offered, wanted); };
    // "A,B,C": A, then B and C for the lines A gives no link; a name that itself holds a comma
    // is taken whole.
    std::vector<int> choices;
    Text missing;
    if (!pluginGiven) {
      int choice = offered.empty() ? -1 : 0;
      // A plug-in still waiting for its key is passed over while another one can serve.
      for (size_t i = 0; i < enabled.size(); ++i) {
        const PluginDefinition candidate = PluginDefinition::FromFile(enabled[i]->path);
        if (HasEveryUsedField(candidate, StoredPluginInputs(candidate, Paths().deployDir))) {
          choice = static_cast<int>(i);
          break;
        }
      }
      if (choice >= 0) choices.push_back(choice);
    } else {
      const std::vector<Text> wanted =
          offeredIndex(pluginName) >= 0 ? std::vector<Text>{pluginName} : Split(pluginName, ",");
      for (const Text& name : wanted) {
        const int index = offeredIndex(name);
        if (index < 0 && missing.empty()) missing = name.empty() ? Text(pluginName) : name;
        if (index >= 0) choices.push_back(index);
      }
    }
    if (choices.empty() || !missing.empty()) {
      if (offered.empty())
        io.err << "没有已启用的插件（插件目录：" << Paths().plugDir << "）\n";
      else
        io.err << (pluginGiven ? "没有已启用的插件叫“" + missing + "”。" : std::string()) << "已启用的插件："
               << Join(offered, "、") << "\n";
      return kExitUsage;
    }
    const PluginInfo& chosen = *enabled[static_cast<size_t>(choices.front())];
    const Text pluginFile = chosen.path;
    const Text shownName = chosen.name;
    if (clipboard) return ShortenClipboardAddress(pluginGiven ? shownName : Text(), shownName, pluginFile, urls, io);

    // --field: for the chosen plug-in, this run only.
    std::vector<PluginField> fields;
    RunFieldValues runValues;
    if (!fieldValues.empty()) {
      fields = PluginDefinition::FromFile(pluginFile).fields();
      runValues = MatchRunFieldValues(shownName, fields, fieldValues);
      if (!runValues.problem.empty()) {
        io.err << runValues.problem << "\n";
        return kExitUsage;
      }
    }

    std::vector<Text> fallbacks;
    for (size_t i = 1; i < choices.size(); ++i) fallbacks.push_back(enabled[static_cast<size_t>(choices[i])]->name);

    // --csv: the header says where the long URLs are before anything is sent.
    std::optional<CsvInput> table;
    CsvRecord header;
    CsvColumns columns;
    if (csv) {
      table.emplace(io.in);
      if (std::optional<CsvRecord> read = table->header()) header = std::move(*read);
      columns = FindCsvColumns(header);
      if (columns.longUrl < 0) {
        io.err << NoUrlColumnReason() << "\n";
        return kExitUsage;
      }
      CsvRecord shown = header;
      shown.insert(shown.end(), CsvResultHeaders().begin(), CsvResultHeaders().end());
      io.out << (bom ? kUtf8Bom : "") << CsvLine(shown);
    }

    InputLines input(csv ? std::vector<Text>() : std::move(urls), io.in);
    // One line is a single URL (no waits, no retries); more make a batch. Input not counted
    // beforehand is read ahead as far as it takes to tell; a pipe that gives no second line and
    // no end within a moment is taken as a batch whose lines are still coming.
    const bool batch =
        csv ||
        (input.count() ? *input.count() > 1 : input.lookAhead(2, std::chrono::milliseconds(300)) > 1 || !input.atEnd());
    if (alias && (batch || input.lookAhead(1) == 0)) {
      io.err << "--alias 只能用于一个网址；多个网址请每行写 长网址<TAB>别名\n";
      return kExitUsage;
    }
    // A single URL asking for an alias the plug-in cannot give is refused before anything goes out.
    if (!batch && !chosen.usesAlias && input.lookAhead(1) == 1) {
      if (alias || ReadBatchLine(input.ahead(0), true, true).alias.size() > 0) {
        io.err << NoAliasReason(shownName) << "：--alias\n";
        return kExitUsage;
      }
    }

    Progress progress(io.err, io.errIsTerminal && batch, csv ? std::nullopt : input.count());
    int failures = 0;
    int reused = 0;
    bool outputLost = false;
    bool misused = false;  // a line asked for an alias the plug-in cannot give
    BatchRequest request;
    request.catalog = catalog;
    request.pluginFile = pluginFile;
    request.fallbacks = fallbacks;
    request.inputs = [&](const Text& file) {
      ShortenInputs stored = StoredPluginInputs(file, Paths().deployDir);
      return file == pluginFile ? WithRunFieldValues(std::move(stored), fields, runValues.values) : stored;
    };
    request.reuseLinks = reuse;
    request.lineCount = csv ? 0 : static_cast<int>(batch ? input.count().value_or(0) : input.lookAhead(1));
    request.single = !batch;
    // While the batch waits for more input, what it has is written out: a program feeding the
    // lines one by one sees each result as it comes.
    request.lineReady = [&] {
      if (table ? table->ready() : input.ready()) return true;
      io.out.flush();
      return false;
    };
    if (table)
      request.jobLines = [&](int n) { return table->next(columns, n); };
    else
      request.lines = [&](int) { return input.next(); };
    request.aliases = AliasLines::Always;
    request.alias = alias;
    request.skipBlankLines = true;
    request.readGbkLines = true;
    request.concurrency = jobs;
    const Config config = Config::Read();
    request.config = config;
    GenerationJob job = PlanBatch(std::move(request));
    job.onWait = [&](const BatchWait& wait) { progress.waiting(wait); };
    HistoryRecorder history(HistoryStore(HistoryFile(config.paths)), config.recordHistory);
    job.onResult = [&](const BatchLineResult& r) {
      if (r.outcome == LineOutcome::Rejected) {
        ++failures;
        progress.clear();
        const bool unreadable = r.failure == FailureKind::Unreadable;
        misused = misused || (!unreadable && !table);  // a CSV's alias column is its rows' own
        if (unreadable)
          io.err << "第 " << r.line << " 行失败：" << r.reason << "\n";
        else
          io.err << r.reason << "：第 " << r.line << " 行\n";
        if (table)
          writeCsv(io.out, table->take(r.line), header.size(), r);
        else
          write(io.out, format, unreadable ? Text() : r.longUrl, "", shownName, false, r.reason);
        if (!io.out) outputLost = true;
        progress.update(static_cast<size_t>(r.line));
        return;
      }
      if (r.outcome == LineOutcome::Skipped) {
        if (io.outIsTerminal) progress.clear();
        if (table)
          writeCsv(io.out, table->take(r.line), header.size(), r);
        else
          writeSkipped(io.out, format, r.longUrl, shownName);
        if (io.outIsTerminal && progress.showing()) io.out.flush();
        progress.update(static_cast<size_t>(r.line));
        return;
      }
      RecordLine(history, r);
      reused += r.reused;
      // On a terminal that shows both, a result never lands behind the progress text.
      if (io.outIsTerminal) progress.clear();
      if (!r.linked()) {
        ++failures;
        progress.clear();
        io.err << "第 " << r.line << " 行（" << LongUrlPreview(r.longUrl) << "）失败："
               << EscapeControlCharacters(r.reason) << "\n";
      }
      if (table)
        writeCsv(io.out, table->take(r.line), header.size(), r);
      else
        write(io.out, format, r.longUrl, r.result, r.plugin.name, r.linked(), r.reason, r.reused);
      if (io.outIsTerminal && progress.showing()) io.out.flush();
      // Output that cannot be written ends the batch: nobody would see the rest.
      if (!io.out) outputLost = true;
      progress.update(static_cast<size_t>(r.line));
    };
    job.stopRequested = [&] { return interrupted != 0 || outputLost; };
    const InterruptScope interruptible;
    BatchRunner runner(std::move(job));
    const int done = runner.run();
    progress.finish();
    io.out.flush();
    if (!history.flush()) io.err << "历史记录未能写入：" << history.failure() << "\n";
    if (reused > 0) io.err << reused << " 个网址" << kReusedLinkTip << "（--reuse）\n";
    if (outputLost) return kExitFailed;  // the caller names the write failure
    if (runner.stopped()) {
      progress.clear();
      // A pipe's total is known only when the rest of it is at hand.
      const std::optional<size_t> total = csv ? std::nullopt : input.total(std::chrono::seconds(1));
      io.err << (total ? StoppedStatusText(done, static_cast<int>(*total)) : StoppedStatusText(done)) << "\n";
      return kExitInterrupted;
    }
    if (misused) return kExitUsage;
    return failures == 0 ? kExitOk : kExitFailed;
  }

 private:
  // --csv's rules beside the other options: what cannot go with it, and what only goes with it.
  static const char* CsvMisuse(bool csv, bool bom, Format format, bool alias, bool clipboard, bool urls) {
    if (bom && !csv) return "--bom 只用于 --csv";
    if (!csv) return nullptr;
    if (format != Format::Plain) return "--csv 不能与 --tsv、--json 同用";
    if (alias) return "--alias 不能与 --csv 同用；各行的别名写在 CSV 的别名列";
    if (clipboard) return "--csv 不能与 --clipboard 同用";
    if (urls) return "--csv 从标准输入读取 CSV，不接网址参数";
    return nullptr;
  }

  static void writeCsv(std::ostream& out, CsvRecord record, size_t headerWidth, const BatchLineResult& result) {
    out << CsvLine(CsvResultRecord(std::move(record), headerWidth, result));
  }

  // A blank line keeps its place with an empty line (in --json, an object that says so).
  static void writeSkipped(std::ostream& out, Format format, const Text& longUrl, const Text& plugin) {
    if (format != Format::Json) {
      out << "\n";
      return;
    }
    const nlohmann::json line = {{"long", longUrl}, {"short", ""}, {"plugin", plugin}, {"ok", true}, {"skipped", true}};
    out << line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
  }

  static void write(std::ostream& out, Format format, const Text& longUrl, const Text& result, const Text& plugin,
                    bool ok, const Text& reason, bool reused = false) {
    switch (format) {
      case Format::Plain:
        // A failed line still takes its line, so output line n belongs to input line n; what a
        // service sent never splits a line or a field, nor reaches the terminal as a command.
        out << (ok ? EscapeControlCharacters(result) : Text()) << "\n";
        break;
      case Format::Tsv:
        out << EscapeControlCharacters(longUrl) << '\t' << EscapeControlCharacters(result) << '\t'
            << EscapeControlCharacters(plugin) << "\n";
        break;
      case Format::Json: {
        nlohmann::json line = {{"long", longUrl}, {"short", result}, {"plugin", plugin}, {"ok", ok}};
        if (!reason.empty()) line["error"] = reason;
        if (reused) line["reused"] = true;
        out << line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
        break;
      }
    }
  }
};

}  // namespace

std::unique_ptr<Command> MakeShortenCommand() { return std::make_unique<ShortenCommand>(); }

}  // namespace pindle::cli
