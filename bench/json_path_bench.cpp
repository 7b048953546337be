// JsonValueAtPath on answers as shortening services give them; prints the time per extraction.
// Target: one extraction under 20 us.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "json/json_document.h"

int main() {
  struct Answer {
    const char* what;
    std::string text;
    std::string path;
  };
  std::string big = "{\"status_code\":200,\"status_txt\":\"OK\",\"data\":{\"items\":[";
  for (int i = 0; i < 20; ++i)
    big +=
        std::string(i ? "," : "") + "{\"id\":" + std::to_string(i) +
        ",\"long_url\":\"https://www.example.com/a/very/long/path?with=query&and=more\",\"url\":\"https://s.example/" +
        std::to_string(i) + "\"}";
  big += "]}}";
  const std::vector<Answer> answers = {
      {"is.gd json", R"({ "shorturl": "https:\/\/is.gd\/AbCdEf" })", "shorturl"},
      {"nested object",
       "{\"code\":0,\"msg\":\"ok\",\r\n\"data\":{\"short\":\"https://s.example/x1\",\"long\":\"https://www.example.com/"
       "page?id=1\"}}",
       "data.short"},
      {"quoted member", R"({"result":{"short url":"https://s.example/q","clicks":0}})", "result['short url']"},
      {"array element", R"({"links":[{"u":"https://s.example/a"},{"u":"https://s.example/b"}]})", "links[1].u"},
      {"number", R"({"id":1234567,"ok":true})", "id"},
      {"error answer", R"({"errorcode":1,"errormessage":"Please specify a URL to shorten."})", "shorturl"},
      {"not JSON", "<html><body>502 Bad Gateway</body></html>", "shorturl"},
      // Read a second time as an object literal after the strict reading refuses it.
      {"object literal", "{ shorturl: 'https://is.gd/AbCdEf', /* ok */ }", "shorturl"},
      {"2 KB answer", big, "data.items[19].url"},
  };
  constexpr int kIterations = 100000;
  std::printf("%-16s %10s  %s\n", "answer", "us/answer", "value");
  for (const auto& answer : answers) {
    std::string value;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kIterations; ++i) value = pindle::JsonValueAtPath(answer.text, answer.path);
    const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
    std::printf("%-16s %10.3f  %s\n", answer.what, took.count() / kIterations, value.c_str());
  }
  std::printf("target: under 20 us per answer\n");
  return 0;
}
