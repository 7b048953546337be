// A shortening service on loopback for benchmarking the command line against curl: prints
// "http://127.0.0.1:<port>" and serves until killed.
//   loopback_service              the shapes of public services (/create.php?format=...)
//   loopback_service --echo [MS]  answers every request with "http://s" + its target, after MS
//                                 milliseconds (default 0), a thread per connection
//   loopback_service --endless    answers every request with a body that never ends, to 256
//                                 connections at once
//   loopback_service --clicks     answers every request with a click count, {"clicks":N} (N the
//                                 length of its path), to 64 connections at once
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>

#include "tests/support/echo_service.h"
#include "tests/support/httplib_server.h"
#include "tests/support/loopback_shortener.h"

int main(int argc, char** argv) {
  std::unique_ptr<pindle::test::LoopbackShortener> shortener;
  std::unique_ptr<pindle::test::EchoService> echo;
  std::unique_ptr<pindle::test::HttplibLoopbackServer> endless;
  if (argc > 1 && std::strcmp(argv[1], "--endless") == 0) {
    endless = std::make_unique<pindle::test::HttplibLoopbackServer>([](httplib::Server& server) {
      server.new_task_queue = [] { return new httplib::ThreadPool(256); };
      server.Get(".*", [](const httplib::Request&, httplib::Response& res) {
        res.set_chunked_content_provider("text/plain", [](size_t, httplib::DataSink& sink) {
          static const std::string chunk(64 * 1024, 'x');
          return sink.write(chunk.data(), chunk.size());
        });
      });
    });
    std::printf("%s\n", endless->url("").c_str());
  } else if (argc > 1 && std::strcmp(argv[1], "--clicks") == 0) {
    endless = std::make_unique<pindle::test::HttplibLoopbackServer>([](httplib::Server& server) {
      server.new_task_queue = [] { return new httplib::ThreadPool(64); };
      server.Get(".*", [](const httplib::Request& req, httplib::Response& res) {
        res.set_content("{\"clicks\":" + std::to_string(req.path.size()) + "}", "application/json");
      });
    });
    std::printf("%s\n", endless->url("").c_str());
  } else if (argc > 1 && std::strcmp(argv[1], "--echo") == 0) {
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
