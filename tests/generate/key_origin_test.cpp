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

// A key is sent only where it was given: the reason names both places (the whole origins when
// the hosts are alike) and refuses the batch, so a fallback takes the lines
// (tests/app/key_binding_command_test.cpp).
TEST(KeyOrigin, KeyBoundElsewhereIsNotSent) {
  test::TempDir dir;
  const std::string file = test::WritePlugin(dir, "k.json",
                                             {.name = "Keyed",
                                              .path = "http://127.0.0.2:8080/api?",
                                              .headers = "Authorization: Bearer $Field:Token$",
                                              .fields = kKeyedFields});
  const Text then = "，密钥没有发送；确认后再用：pindle config Keyed --trust";
  struct Case {
    std::vector<Text> bound;
    Text reason;  // empty: sent, with its secrets
  } cases[] = {
      {{}, ""},  // nothing recorded: goes where the plug-in points
      {{"http://127.0.0.2:8080"}, ""},
      {{"http://127.0.0.1:8080", "http://127.0.0.2:8080"}, ""},
      {{"http://127.0.0.1:8080"}, "Keyed 的地址已从 127.0.0.1 改为 127.0.0.2" + then},
      {{"http://127.0.0.2:1"}, "Keyed 的地址已从 http://127.0.0.2:1 改为 http://127.0.0.2:8080" + then},
      {{"https://127.0.0.2:8080"}, "Keyed 的地址已从 https://127.0.0.2:8080 改为 http://127.0.0.2:8080" + then},
  };
  for (const Case& c : cases) {
    ShortenInputs inputs = Keyed();
    if (!c.bound.empty()) inputs.secretOrigins["Token"] = c.bound;
    JsonDocument document;
    const ShortenRequest prepared = PrepareShorten(file, "https://127.0.0.1/", document, inputs);
    EXPECT_EQ(prepared.notSentReason, c.reason);
    EXPECT_EQ(prepared.send, c.reason.empty());
    EXPECT_EQ(prepared.request.secrets.value_or(std::vector<Text>()),
              c.reason.empty() ? std::vector<Text>{kToken} : std::vector<Text>());
    EXPECT_EQ(RefusesTheBatch(prepared.notSentKind), !c.reason.empty());
  }
  EXPECT_EQ(RequestOrigin(PluginDefinition::FromFile(file), {}), "http://127.0.0.2:8080");
}

}  // namespace
}  // namespace pindle
