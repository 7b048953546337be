#include "platform/background.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

namespace pindle {
namespace {

using namespace std::chrono_literals;

// A worker that ends on its own is joined; one that waits for its stop ends when asked; one that
// ignores the stop is abandoned by finish() and counted as such.
TEST(Workers, FinishStopsJoinsOrAbandonsEachWorker) {
  struct Case {
    const char* what;
    bool honoursStop;
    bool blocks;
    size_t abandoned;
  };
  for (const Case& c : {Case{"ends by itself", true, false, 0}, Case{"waits for its stop", true, true, 0},
                        Case{"ignores its stop", false, true, 1}}) {
    std::atomic<bool> release{false};
    std::atomic<bool> ran{false};
    size_t abandoned = 0;
    {
      Workers workers;
      workers.start([&, c](std::stop_token stop) {
        ran = true;
        while (c.blocks && !release && !(c.honoursStop && stop.stop_requested())) std::this_thread::sleep_for(1ms);
      });
      while (!ran) std::this_thread::sleep_for(1ms);
      int steps = 0;
      abandoned = workers.finish(c.honoursStop ? 5s : 50ms, [&] {
        ++steps;
        std::this_thread::sleep_for(1ms);
      });
      EXPECT_EQ(workers.running(), 0u) << c.what;
    }
    EXPECT_EQ(abandoned, c.abandoned) << c.what;
    release = true;  // lets an abandoned one end before the next row
    EXPECT_TRUE(WaitForDetached(5s)) << c.what;
  }
}

// The destructor asks a waiting worker to stop and joins it: nothing it holds outlives its owner.
TEST(Workers, DestructorStopsAndJoins) {
  std::atomic<int> ended{0};
  {
    Workers workers;
    for (int i = 0; i < 3; ++i)
      workers.start([&](std::stop_token stop) {
        while (!stop.stop_requested()) std::this_thread::sleep_for(1ms);
        ++ended;
      });
    EXPECT_EQ(workers.running(), 3u);
  }
  EXPECT_EQ(ended, 3);
}

}  // namespace
}  // namespace pindle
