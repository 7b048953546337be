#include <ostream>

#include "app/cli/command.h"
#include "app/cli/system_clipboard.h"
#include "generate/shorten_engine.h"
#include "history/history_recorder.h"
#include "json/json_document.h"
#include "text/text_utils.h"

namespace pindle::cli {
namespace {

SystemClipboard& Storage() {
  static SystemClipboard clipboard;
  return clipboard;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

// One http(s) address, blanks around it allowed (copying from a page often takes a line end).
std::optional<Text> SingleAddress(const Text& text) {
  size_t begin = 0, end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  const Text address = text.substr(begin, end - begin);
  const Text lower = ToLowerAscii(address.substr(0, 8));
  const size_t scheme = lower.starts_with("https://") ? 8 : lower.starts_with("http://") ? 7 : 0;
  if (scheme == 0 || address.size() == scheme) return std::nullopt;
  for (const char c : address)
    if (static_cast<unsigned char>(c) < 0x20 || c == ' ' || c == 0x7F) return std::nullopt;
  return address;
}

// What the clipboard held, short enough for one line of a message.
Text Preview(const Text& text) {
  Text line = text.substr(0, text.find('\n'));
  if (line.size() > 60) line = line.substr(0, 60) + "…";
  return line;
}

}  // namespace

void SetSystemClipboard(SystemClipboard clipboard) { Storage() = std::move(clipboard); }
const SystemClipboard& TheSystemClipboard() { return Storage(); }

int ShortenClipboardAddress(const Text& pluginName, const Text& pluginFile, const std::vector<Text>& urls,
                            Streams& io) {
  if (!urls.empty()) {
    io.err << "--clipboard 取剪贴板上的网址，不再另给网址\n";
    return kExitUsage;
  }
  const SystemClipboard& clipboard = TheSystemClipboard();
  Text problem = "这个程序没有接入剪贴板";
  const std::optional<Text> held = clipboard.read ? clipboard.read(problem) : std::nullopt;
  if (!held) {
    io.err << problem << "\n";
    return kExitFailed;
  }
  const std::optional<Text> address = SingleAddress(*held);
  if (!address) {
    io.err << (held->empty() ? Text("剪贴板上没有文字，要的是一个 http(s) 网址")
                             : "剪贴板上不是一个 http(s) 网址：" + Preview(*held))
           << "\n";
    return kExitFailed;
  }
  JsonDocument document;
  Text failure;
  const Text result = ShortenOne(pluginFile, *address, document, &failure);
  {
    HistoryRecorder history;  // like every other pass, with its reason when it failed
    history.record({pluginName, *address, result, failure});
    if (!history.flush()) io.err << "历史记录未能写入：" << history.failure() << "\n";
  }
  if (!result.starts_with("http")) {
    io.err << *address << " 失败：" << NoLinkReason(result, failure) << "\n";
    return kExitFailed;
  }
  problem.clear();
  if (!clipboard.keep || !clipboard.keep(result, problem)) {
    io.out << result << "\n";
    io.err << "短网址没能放上剪贴板" << (problem.empty() ? Text() : "：" + problem) << "\n";
    return kExitFailed;
  }
  io.out << result << "\n";
  return kExitOk;
}

}  // namespace pindle::cli
