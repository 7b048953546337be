#include "generate/generate_command.h"

#include "text/text_utils.h"

namespace pindle {

Text WaitStatusText(const BatchWait& wait) {
  const auto seconds = (wait.length.count() + 999) / 1000;
  return "等待 " + std::to_string(seconds) + " 秒后重发：" + wait.reason;
}

Text StoppedStatusText(int done, int count) {
  return "已停止生成：完成 " + std::to_string(done) + " / " + std::to_string(count) + " 行";
}

Text StoppedStatusText(int done) { return "已停止生成：完成 " + std::to_string(done) + " 行"; }

}  // namespace pindle
