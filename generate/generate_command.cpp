#include "generate/generate_command.h"

#include "text/text_utils.h"

namespace pindle {

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

Text WaitStatusText(const BatchWait& wait) {
  const auto seconds = (wait.length.count() + 999) / 1000;
  return "等待 " + std::to_string(seconds) + " 秒后重发：" + wait.reason;
}

Text StoppedStatusText(int done, int count) {
  return "已停止生成：完成 " + std::to_string(done) + " / " + std::to_string(count) + " 行";
}

Text StoppedStatusText(int done) { return "已停止生成：完成 " + std::to_string(done) + " 行"; }

}  // namespace pindle
