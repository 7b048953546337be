// Requests per second of WebRequest against a loopback server, beside a plain libcurl loop on the
// same server in the same run. The plain loop opens a fresh handle per request, as one WebRequest
// does: it keeps nothing between calls.
#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/httplib_server.h"
#include "web/web_request.h"

using namespace pindle;
using Clock = std::chrono::steady_clock;

namespace {

size_t Collect(char* data, size_t size, size_t n, void* out) {
  static_cast<std::string*>(out)->append(data, size * n);
  return size * n;
}

// Requests per second of `once` called `count` times; the number of good answers in `good`.
template <typename F>
double Rate(int count, int& good, F once) {
  good = 0;
  const auto start = Clock::now();
  for (int i = 0; i < count; ++i) good += once() ? 1 : 0;
  return count / std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::atoi(argv[1]) : 2000;
  const int rounds = 5;
  const std::string answer = "{\"shorturl\":\"http://s.example/abc\"}";
  test::HttplibLoopbackServer server([&](httplib::Server& s) {
    s.Get("/api",
          [&](const httplib::Request&, httplib::Response& res) { res.set_content(answer, "application/json"); });
  });
  const std::string url = server.url("/api?url=https%3A%2F%2Fexample.com%2Fa");

  const auto webRequest = [&] {
    const WebResponse r = WebRequest({.url = url, .method = kGet, .extraHeaders = "Accept: application/json"});
    return r.error.empty() && r.body == answer;
  };
  const auto plainFresh = [&] {
    CURL* curl = curl_easy_init();
    std::string body;
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    const bool ok = curl_easy_perform(curl) == CURLE_OK && body == answer;
    curl_easy_cleanup(curl);
    return ok;
  };
  // Warm up, then alternate the loops and keep each one's best round.
  int good = 0;
  Rate(200, good, webRequest);
  Rate(200, good, plainFresh);
  double best[2] = {0, 0};
  int bad = 0;
  for (int round = 0; round < rounds; ++round) {
    best[0] = std::max(best[0], Rate(count, good, webRequest));
    bad += count - good;
    best[1] = std::max(best[1], Rate(count, good, plainFresh));
    bad += count - good;
  }

  std::printf("web_request_bench: %d requests x %d rounds against %s (best round each)\n", count, rounds, url.c_str());
  std::printf("  WebRequest                        %9.0f requests/s\n", best[0]);
  std::printf("  plain libcurl, handle per request %9.0f requests/s\n", best[1]);
  std::printf("  ratio WebRequest / plain per request: %.2f (target >= 0.80)\n", best[0] / best[1]);
  std::printf("  failed answers: %d\n", bad);
  return bad == 0 ? 0 : 1;
}
