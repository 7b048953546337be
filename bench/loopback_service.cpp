// A shortening service on loopback for benchmarking the command line against curl: prints
// "http://127.0.0.1:<port>" and serves until killed.
#include <cstdio>
#include <thread>

#include "tests/support/loopback_shortener.h"

int main() {
  pindle::test::LoopbackShortener service;
  std::printf("%s\n", service.base().c_str());
  std::fflush(stdout);
  for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
}
