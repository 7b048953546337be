// Services that accept a request and then misbehave: every pass must end within the shortened
// limits, with its row and a reason for the failure.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

#include "app/gui/actions/generate_actions.h"
#include "app/gui/actions/memory_controls.h"
#include "app/gui/actions/plugin_registry.h"
#include "config/app_paths.h"
#include "config/settings.h"
#include "generate/generate_command.h"
#include "generate/shorten_engine.h"
#include "json/json_document.h"
#include "platform/background.h"
#include "tests/faults/fault_support.h"
#include "tests/support/loopback_socket.h"
#include "tests/support/plugin_files.h"
#include "tests/support/raw_http_server.h"
#include "tests/support/temp_dir.h"
#include "text/percent_encoding.h"

namespace pindle {
namespace {

using namespace std::chrono_literals;

// Answers every request with a body that never ends (raw sockets: no server library streams
// without end on request).
class EndlessBodyServer {
 public:
  EndlessBodyServer()
      : acceptor_([this](int fd) {
          std::string pending;
          if (!test::ReadHttpRequest(fd, pending)) return;
          if (!test::SendAll(fd, "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\n")) return;
          const std::string chunk(64 * 1024, 'x');
          while (!stopping_ && test::SendAll(fd, chunk)) {
          }
        }) {}
  ~EndlessBodyServer() {
    stopping_ = true;
    acceptor_.stop();
  }
  std::string url() const { return "http://127.0.0.1:" + std::to_string(acceptor_.port()) + "/"; }

 private:
  std::atomic<bool> stopping_{false};
  test::LoopbackAcceptor acceptor_;
};

// Long URLs "a" to "i" reach the raw server as the targets "/s?u=%61" to "/s?u=%69" (every byte
// percent-encoded); "e" is the head cut off with no length given, kept apart below.
struct Misbehaviour {
  const char* longUrl;
  const char* what;
};
const Misbehaviour kMisbehaviours[] = {
    {"a", "accepts and never answers"},
    {"b", "one byte, then silence"},
    {"c", "endless body"},
    {"d", "redirects to itself forever"},
    {"f", "cuts the connection in the status line"},
    {"g", "cuts the connection in the head, before its blank line"},
    {"h", "cuts the body short of its length"},
    {"i", "cuts a chunked body"},
};

class MisbehavingServicesTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  test::RawHttpServer raw;
  EndlessBodyServer endless;
  MemoryControls ui;
  Workers workers;  // after ui: its threads end before ui goes
  test::ShortLimitsScope limits;
  std::string pluginFile;

  void SetUp() override {
    SetPaths(AppPaths::FromProgramDirectory(dir.path()));
    raw.answer("/s?u=%61", {"", test::RawReply::Stall});
    raw.answer("/s?u=%62", {"H", test::RawReply::Stall});
    raw.answer("/s?u=%63", {"HTTP/1.1 302 Found\r\nLocation: " + endless.url() + "\r\nContent-Length: 0\r\n\r\n"});
    raw.answer("/s?u=%64",
               {"HTTP/1.1 302 Found\r\nLocation: http://127.0.0.1:{port}/s?u=%64\r\nContent-Length: 0\r\n\r\n"});
    raw.answer("/s?u=%65", {"HTTP/1.1 200 OK\r\nContent-Type: text/pl", test::RawReply::Close});
    raw.answer("/s?u=%66", {"HTTP/1.1 2", test::RawReply::Close});
    raw.answer("/s?u=%67", {"HTTP/1.1 200 OK\r\nContent-Length: 3\r\nContent-Ty", test::RawReply::Close});
    raw.answer("/s?u=%68", {"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nabc", test::RawReply::Close});
    raw.answer("/s?u=%69", {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nab", test::RawReply::Close});
    test::PluginFields fields;
    fields.name = "Misbehaving";
    fields.path = raw.url("/s?");
    fields.data = "u=$Url$";
    fields.responseType = "0";
    pluginFile = test::WritePlugin(dir, "misbehaving.json", fields);
  }
  void TearDown() override {
    WaitForDetached(20s);
    SetPaths({});
  }
};

TEST_F(MisbehavingServicesTest, EachPassEndsWithAReason) {
  for (const auto& m : kMisbehaviours) {
    const std::string file = pluginFile;
    const std::string longUrl = m.longUrl;
    auto outcome = test::RunBounded(
        [file, longUrl](Text& failure) {
          JsonDocument document;
          return ShortenOne(file, longUrl, document, &failure);
        },
        10s);
    ASSERT_TRUE(outcome) << m.what << ": the request did not end";
    EXPECT_LT(outcome->took, 4s) << m.what;
    EXPECT_FALSE(outcome->failure.empty())
        << m.what << " reported no failure; result: " << outcome->result.substr(0, 200);
    // A failed request yields no body, so the whole-answer type yields the empty text.
    EXPECT_EQ(outcome->result, "") << m.what;
  }
  // Each misbehaviour was asked for (the redirect loop many times, but not without end).
  const auto requests = raw.requests();
  for (const char* target :
       {"/s?u=%61", "/s?u=%62", "/s?u=%63", "/s?u=%64", "/s?u=%66", "/s?u=%67", "/s?u=%68", "/s?u=%69"}) {
    const auto n = std::count_if(requests.begin(), requests.end(), [&](const std::string& r) {
      return r.rfind(std::string("GET ") + target + " ", 0) == 0;
    });
    EXPECT_GE(n, 1) << target;
    EXPECT_LE(n, CurrentWebLimits().maxRedirects + 1) << target;
  }
}

TEST_F(MisbehavingServicesTest, BatchGivesFiveRowsInOrderAndNamesTheFailure) {
  Settings::write(kSoftwareSection, kConcurrencyKey, "1");  // the one-after-the-other batch
  PluginRegistry::load(ui);
  ASSERT_EQ(ui.pluginChoice().items().size(), 1u);
  ui.pluginChoice().setCurrentIndex(0);
  ui.longUrlBox().setText("a\r\nb\r\nc\r\nd\r\ng");
  const auto start = std::chrono::steady_clock::now();
  OnGenerateClicked(ui, workers);
  ASSERT_TRUE(WaitForDetached(15s)) << "the batch did not end";
  EXPECT_LT(std::chrono::steady_clock::now() - start, 8s);

  const auto rows = ui.results().rows();
  ASSERT_EQ(rows.size(), 5u);
  for (const auto& row : rows) {
    ASSERT_EQ(row.size(), 2u);
    EXPECT_EQ(row[0], "Misbehaving");
    EXPECT_EQ(row[1], "");
  }
  // Rows follow the lines: the requests went out in line order, one pass after the other.
  std::vector<std::string> order;
  for (const auto& r : raw.requests()) {
    const std::string target = r.substr(4, r.find(' ', 4) - 4);
    if (order.empty() || order.back() != target) order.push_back(target);
  }
  EXPECT_EQ(order, (std::vector<std::string>{"/s?u=%61", "/s?u=%62", "/s?u=%63", "/s?u=%64", "/s?u=%67"}));

  const Text status = ui.statusText();
  EXPECT_EQ(status.rfind("网址生成完毕!", 0), 0u) << status;
  EXPECT_NE(status.find("共 5 行失败（第 1 行："), std::string::npos) << status;
  // Every line was reported as failing at some point.
  const auto history = ui.statusHistory();
  for (int line = 1; line <= 5; ++line) {
    const std::string where = "第 " + std::to_string(line) + " 行失败：";
    EXPECT_TRUE(std::any_of(history.begin(), history.end(), [&](const Text& t) {
      return t.find(where) != std::string::npos;
    })) << where;
  }
}

// Well-formed exchanges whose answers are hostile: each must end with a row and an answer read
// as the response type says, without any failure of the request itself.
TEST_F(MisbehavingServicesTest, HostileAnswersAreReadWithoutHarm) {
  const size_t depth = 100000;
  std::string deepObject;
  for (size_t i = 0; i < depth; ++i) deepObject += "{\"a\":";
  deepObject += "1" + std::string(depth, '}');
  struct Answer {
    std::string body;
    Text jsonResult;    // Response.Type "1" at "a.b"
    Text jsonpResult;   // Response.Type "4" inside cb(...) at "a.b"
    bool deep = false;  // the reason names the nesting, not JSON syntax
  };
  const std::vector<Answer> answers = {
      {"{\"a\":{\"b\":\"S\"}}", "S", "JSON解析失败"},
      {"cb({\"a\":{\"b\":\"S\"}})", "JSON解析失败", "S"},
      {std::string(depth, '['), "JSON解析失败", "JSON解析失败", true},
      {deepObject, "JSON解析失败", "JSON解析失败", true},
      {"cb(" + deepObject + ")", "JSON解析失败", "JSON解析失败", true},
      {"{\"a\":{\"b\":1e400}}", "JSON解析失败", "JSON解析失败"},
      {std::string("\0{\"a\":{\"b\":\"S\"}}", 17), "JSON解析失败", "JSON解析失败"},
      {std::string((1u << 20) - 1, '\xFF'), "JSON解析失败", "JSON解析失败"},
      {"cb(cb(cb(" + std::string(10000, '(') + ")))", "JSON解析失败", "JSON解析失败"},
  };
  test::PluginFields fields;
  fields.name = "Answers";
  fields.path = raw.url("/t?");
  fields.data = "u=$Url$";
  fields.responseType = "1";
  fields.parameter = "a.b";
  const std::string jsonFile = test::WritePlugin(dir, "answers1.json", fields);
  fields.responseType = "4";
  fields.prefix = "cb($Url$)";
  const std::string jsonpFile = test::WritePlugin(dir, "answers4.json", fields);

  for (size_t i = 0; i < answers.size(); ++i) {
    const std::string key(1, static_cast<char>('A' + i));
    const std::string& body = answers[i].body;
    raw.answer("/t?u=" + PercentEncode(key),
               {"HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body});
    for (const auto& [file, expected] :
         {std::pair{jsonFile, answers[i].jsonResult}, std::pair{jsonpFile, answers[i].jsonpResult}}) {
      auto outcome = test::RunBounded(
          [file = file, key](Text& failure) {
            JsonDocument document;
            return ShortenOne(file, key, document, &failure);
          },
          10s);
      ASSERT_TRUE(outcome) << "answer " << i << ": the run did not end";
      EXPECT_LT(outcome->took, test::Scaled(3s)) << "answer " << i;
      // None of them is a link; the request itself never failed.
      EXPECT_EQ(outcome->failure, answers[i].deep ? "应答嵌套太深（超过 512 层）" : "服务返回：" + expected)
          << "answer " << i;
      EXPECT_EQ(outcome->result, expected) << "answer " << i << " through " << file;
    }
  }
}

// libcurl takes a head that ends with the connection, after a whole header line and with no
// length given, as a complete answer without body; the web layer checks for the blank line.
TEST_F(MisbehavingServicesTest, HeadCutWithoutLengthIsAFailure) {
  Text failure;
  JsonDocument document;
  EXPECT_EQ(ShortenOne(pluginFile, "e", document, &failure), "");
  EXPECT_FALSE(failure.empty()) << "a head cut off after \"Content-Type: text/pl\" passed for a whole answer";
}

}  // namespace
}  // namespace pindle
