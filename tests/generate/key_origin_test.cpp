// A plug-in's key goes only to the origin its address names, and only to the one it was given for.
#include <gtest/gtest.h>

#include "generate/batch_runner.h"
#include "generate/shorten_engine.h"
#include "json/json_document.h"
#include "tests/support/plugin_files.h"
#include "tests/support/raw_http_server.h"
#include "text/secret_mask.h"

namespace pindle {
namespace {

constexpr const char* kToken = "s3cr3t-T0ken";

ShortenInputs Keyed() {
  ShortenInputs inputs;
  inputs.fieldValues["Token"] = kToken;
  inputs.secrets = {kToken};
  return inputs;
}

const char* const kKeyedFields = R"([{"Name": "Token", "Label": "令牌", "Secret": true}])";

// The fault as found: a keyed plug-in whose service answers 302 to another host. The key's lines
// stay behind; a key in the address or in the repeated body stops the line with the reason.
TEST(KeyOrigin, RedirectToAnotherHostGetsNoKey) {
  test::TempDir dir;
  test::RawHttpServer service;
  test::RawHttpServer other("127.0.0.2");
  const std::string land = "http://127.0.0.2:" + std::to_string(other.port()) + "/land";
  other.answerOthers({"HTTP/1.1 200 OK\r\nContent-Length: 19\r\n\r\nhttps://s.example/1"});
  service.answerOthers({"HTTP/1.1 302 Found\r\nLocation: " + land + "\r\nContent-Length: 0\r\n\r\n"});
  struct Case {
    const char* what;
    test::PluginFields plugin;
    std::string link, reason;
  } cases[] = {
      {"the key in the headers",
       {.path = service.url("/api?"),
        .headers = "Authorization: Bearer $Field:Token$\r\nX-Api-Key: $Field:Token$\r\nCookie: sid=1",
        .fields = kKeyedFields},
       "https://s.example/1",
       ""},
      {"the key in the query",
       {.path = service.url("/api?key=$Field:Token$&"), .fields = kKeyedFields},
       "https://s.example/1",
       ""},
      {"the key in a POST answered 307",
       {.type = "POST", .path = service.url("/api"), .data = "key=$Field:Token$&url=$Url$", .fields = kKeyedFields},
       "",
       "服务把请求转到另一个网站（127.0.0.2），密钥不随之发送"},
  };
  service.answer("/api", {"HTTP/1.1 307 Temporary Redirect\r\nLocation: " + land + "\r\nContent-Length: 0\r\n\r\n"});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    other.clearRequests();
    const std::string file = test::WritePlugin(dir, "k.json", c.plugin);
    JsonDocument document;
    Text reason;
    EXPECT_EQ(ShortenOne(file, "https://a.example/long", document, &reason, Keyed()), c.link);
    EXPECT_EQ(reason, c.reason);
    for (const std::string& request : other.requests()) {
      EXPECT_FALSE(HoldsSecret(request, {kToken})) << request;
      EXPECT_EQ(request.find("Cookie:"), std::string::npos) << request;
    }
    EXPECT_EQ(other.requests().size(), c.reason.empty() ? 1u : 0u);
    EXPECT_TRUE(HoldsSecret(service.lastRequest(), {kToken}));
  }
}

// A key given for 127.0.0.1 is not sent when the file's address names 127.0.0.2; the reason names
// both and refuses the batch, so a fallback takes its lines.
TEST(KeyOrigin, KeyBoundElsewhereIsNotSent) {
  test::TempDir dir;
  test::RawHttpServer given;
  test::RawHttpServer moved("127.0.0.2", given.port());
  for (auto* server : {&given, &moved})
    server->answerOthers({"HTTP/1.1 200 OK\r\nContent-Length: 19\r\n\r\nhttps://s.example/1"});
  const std::string port = std::to_string(given.port());
  ShortenInputs inputs = Keyed();
  inputs.secretOrigins["Token"] = {"http://127.0.0.1:" + port};
  const auto file = [&](const std::string& host) {
    return test::WritePlugin(dir, "k.json",
                             {.name = "Keyed",
                              .path = "http://" + host + ":" + port + "/api?",
                              .headers = "Authorization: Bearer $Field:Token$",
                              .fields = kKeyedFields});
  };
  JsonDocument document;
  const ShortenRequest home = PrepareShorten(file("127.0.0.1"), "https://a.example/", document, inputs);
  EXPECT_TRUE(home.send);
  ASSERT_TRUE(home.request.secrets);
  EXPECT_EQ(*home.request.secrets, std::vector<Text>{kToken});

  const std::string movedFile = file("127.0.0.2");
  const ShortenRequest away = PrepareShorten(movedFile, "https://a.example/", document, inputs);
  EXPECT_FALSE(away.send);
  const Text reason =
      "Keyed 的地址已从 127.0.0.1 改为 127.0.0.2，密钥没有发送；确认后再用：pindle config Keyed --trust";
  EXPECT_EQ(away.notSentReason, reason);
  EXPECT_TRUE(RefusesTheBatch(reason));
  EXPECT_EQ(RequestOrigin(PluginDefinition::FromFile(movedFile), inputs.fieldValues), "http://127.0.0.2:" + port);
  // Only the port changed: the whole origins are named.
  inputs.secretOrigins["Token"] = {"http://127.0.0.2:1"};
  EXPECT_EQ(PrepareShorten(movedFile, "https://a.example/", document, inputs).notSentReason,
            "Keyed 的地址已从 http://127.0.0.2:1 改为 http://127.0.0.2:" + port +
                "，密钥没有发送；确认后再用：pindle config Keyed --trust");
  inputs.secretOrigins["Token"] = {"http://127.0.0.1:" + port};

  // A batch of three lines: none goes to 127.0.0.2, the fallback takes them all.
  const std::string fallback = test::WritePlugin(dir, "f.json", {.name = "Free", .path = given.url("/free?")});
  GenerationJob job;
  job.lineCount = 3;
  job.lines = [](int n) -> std::optional<JobLine> { return JobLine{"https://a.example/" + std::to_string(n)}; };
  job.plugin = [&] { return BatchPlugin{"Keyed", movedFile, inputs}; };
  job.fallbacks = {BatchPlugin{"Free", fallback, {}}};
  std::vector<BatchLineResult> results;
  job.onResult = [&](const BatchLineResult& r) { results.push_back(r); };
  BatchRunner(std::move(job)).run();
  ASSERT_EQ(results.size(), 3u);
  for (const BatchLineResult& r : results) {
    EXPECT_EQ(r.plugin.name, "Free");
    EXPECT_EQ(r.result, "https://s.example/1");
  }
  EXPECT_TRUE(moved.requests().empty());
}

}  // namespace
}  // namespace pindle
