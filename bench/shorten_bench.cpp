// A batch of long URLs through ShortenOne against a loopback service, beside a bare libcurl
// loop making the same requests, and the engine's own cost per URL with the request taken out.
#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "generate/shorten_engine.h"
#include "json/json_document.h"
#include "plugins/plugin_file.h"
#include "tests/support/loopback_shortener.h"
#include "tests/support/plugin_files.h"
#include "text/percent_encoding.h"
#include "text/text_utils.h"
#include "web/link_check.h"
#include "web/web_request.h"

using namespace pindle;
using Clock = std::chrono::steady_clock;

static double seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

static size_t collect(char* data, size_t size, size_t n, void* out) {
  static_cast<std::string*>(out)->append(data, size * n);
  return size * n;
}

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::atoi(argv[1]) : 10000;
  test::TempDir dir;
  test::LoopbackShortener service;
  const std::string plugin = test::WritePlugin(dir, "bench.json",
                                               {.name = "基准",
                                                .path = service.base() + "/create.php?",
                                                .data = "format=json&url=$Url$",
                                                .headers = "Accept: application/json",
                                                .responseType = "1",
                                                .parameter = "shorturl"});
  std::vector<std::string> urls;
  for (int i = 0; i < count; ++i) urls.push_back("https://example.com/articles/" + std::to_string(i) + "?ref=中文&x=1");

  JsonDocument document;
  curl_global_init(CURL_GLOBAL_DEFAULT);
  double engineSeconds = 1e9, curlSeconds = 1e9, batchSeconds = 1e9, reusedCurlSeconds = 1e9;
  size_t good = 0;
  // The bare loops' one request: the same address, the answer collected and dropped.
  auto fetch = [&service](CURL* curl, const std::string& url) {
    std::string body;
    const std::string address = service.base() + "/create.php?format=json&url=" + PercentEncode(url);
    curl_easy_setopt(curl, CURLOPT_URL, address.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    curl_easy_perform(curl);
  };
  // Alternate the loops and keep the best round of each, so none gains from going first.
  for (int round = 0; round < 2; ++round) {
    {
      auto start = Clock::now();
      good = 0;
      for (const auto& url : urls) good += IsLink(ShortenOne(plugin, url, document));
      engineSeconds = std::min(engineSeconds, seconds(start));
    }
    {
      // As the window's and the command line's batches run it: connections kept between URLs.
      const ConnectionReuseScope batch;
      auto start = Clock::now();
      for (const auto& url : urls) ShortenOne(plugin, url, document);
      batchSeconds = std::min(batchSeconds, seconds(start));
    }
    {
      auto start = Clock::now();
      for (const auto& url : urls) {
        CURL* curl = curl_easy_init();
        fetch(curl, url);
        curl_easy_cleanup(curl);
      }
      curlSeconds = std::min(curlSeconds, seconds(start));
    }
    {
      // The same with one handle for all, so libcurl keeps the connection.
      auto start = Clock::now();
      CURL* curl = curl_easy_init();
      for (const auto& url : urls) fetch(curl, url);
      curl_easy_cleanup(curl);
      reusedCurlSeconds = std::min(reusedCurlSeconds, seconds(start));
    }
    service.clearRequests();
  }

  // The engine's own work with the request taken out: file read, parse, substitution, extraction.
  const std::string answer = "{\"shorturl\":\"" + service.shortFor(1) + "\"}";
  auto start = Clock::now();
  size_t sink = 0;
  for (const auto& url : urls) {
    document.Parse(ReadPluginFileText(plugin));
    const Text data = Replace(document.GetText("API.Data"), "$Url$", PercentEncode(url), 1, -1, false);
    const Text type = document.GetText("API.Type");
    const Text address = document.GetText("API['API Path']") + data;
    const Text headers = document.GetText("API.Headers");
    const Text text = DecodeAnswer(answer);
    sink += ExtractShortUrl(text, document.GetText("Response.Type"), document.GetText("Response.Parameter"),
                            document.GetText("Response.Prefix"))
                .size() +
            type.size() + address.size() + headers.size();
  }
  const double ownSeconds = seconds(start);

  std::printf("urls: %d (%zu shortened)\n", count, good);
  std::printf("ShortenOne:       %9.0f urls/s\n", count / engineSeconds);
  std::printf("bare libcurl:     %9.0f urls/s\n", count / curlSeconds);
  std::printf("ratio:            %9.2f (target >= 0.80)\n", curlSeconds / engineSeconds);
  std::printf("ShortenOne batch: %9.0f urls/s (connections kept)\n", count / batchSeconds);
  std::printf("libcurl, one handle: %6.0f urls/s\n", count / reusedCurlSeconds);
  std::printf("batch ratio:      %9.2f against the fresh-handle loop, %.2f against one handle\n",
              curlSeconds / batchSeconds, reusedCurlSeconds / batchSeconds);
  std::printf("engine cost:      %9.2f us/url (target < 20) [%zu]\n", ownSeconds * 1e6 / count, sink % 10);
  return 0;
}
