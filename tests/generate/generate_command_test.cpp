#include "generate/generate_command.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <set>

#include "config/app_paths.h"
#include "config/settings.h"
#include "generate/shorten_engine.h"
#include "platform/background.h"
#include "tests/support/loopback_shortener.h"
#include "tests/support/plugin_files.h"

namespace pindle {
namespace {

TEST(GenerateTexts, StopAndWait) {
  EXPECT_EQ(StoppedStatusText(2, 5), "已停止生成：完成 2 / 5 行");
  EXPECT_EQ(StoppedStatusText(7), "已停止生成：完成 7 行");  // the total not known (a pipe)
  const struct {
    long long ms;
    Text text;
  } waits[] = {{0, "等待 0 秒后重发：服务限流（429）"},
               {1, "等待 1 秒后重发：服务限流（429）"},
               {1000, "等待 1 秒后重发：服务限流（429）"},
               {1001, "等待 2 秒后重发：服务限流（429）"}};
  for (const auto& w : waits)
    EXPECT_EQ(WaitStatusText({"h", "服务限流（429）", std::chrono::milliseconds(w.ms)}), w.text) << w.ms;
}

}  // namespace
}  // namespace pindle
