// A shortening service on loopback for benchmarking the command line against curl: prints
// "http://127.0.0.1:<port>" and serves until killed.
//   loopback_service              the shapes of public services (/create.php?format=...)
//   loopback_service --echo [MS]  answers every request with "http://s" + its target, after MS
//                                 milliseconds (default 0), a thread per connection
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>

#include "tests/support/echo_service.h"
#include "tests/support/loopback_shortener.h"

int main(int argc, char** argv) {
  std::unique_ptr<pindle::test::LoopbackShortener> shortener;
  std::unique_ptr<pindle::test::EchoService> echo;
  if (argc > 1 && std::strcmp(argv[1], "--echo") == 0) {
    const int delay = argc > 2 ? std::atoi(argv[2]) : 0;
    echo = std::make_unique<pindle::test::EchoService>(
        delay > 0 ? pindle::test::EchoService::Delay([delay](const std::string&) { return delay; })
                  : pindle::test::EchoService::Delay());
    std::printf("%s\n", echo->url("").c_str());
  } else {
    shortener = std::make_unique<pindle::test::LoopbackShortener>();
    std::printf("%s\n", shortener->base().c_str());
  }
  std::fflush(stdout);
  for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
}
