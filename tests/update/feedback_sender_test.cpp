#include "update/feedback_sender.h"

#include <gtest/gtest.h>

#include "tests/support/loopback_shortener.h"

namespace pindle {
namespace {

TEST(Feedback, TheTextArrivesWhole) {
  test::LoopbackShortener server;
  int status = 200;
  server.server().Post("/Feedback/js_post.php",
                       [&](const httplib::Request&, httplib::Response& res) { res.status = status; });
  const Text address = server.base() + "/Feedback/js_post.php";
  struct Case {
    Text text;
    std::string body;
    Text content;  // what the endpoint's form decoding sees
  } cases[] = {
      {"中文", "content=%E4%B8%AD%E6%96%87", "中文"},
      {"a&b=c", "content=a%26b%3Dc", "a&b=c"},
      {" ", "content=%20", " "},
      {"1+1=2 100%\n", "content=1%2B1%3D2%20100%25%0A", "1+1=2 100%\n"},
  };
  for (const auto& c : cases) {
    server.clearRequests();
    const Text status = SendFeedback(c.text, address, true);
    ASSERT_EQ(server.requests().size(), 1u);
    const auto seen = server.requests()[0];
    EXPECT_EQ(seen.body, c.body);
    EXPECT_EQ(seen.header("Content-Type"), "application/x-www-form-urlencoded");
    httplib::Params params;
    httplib::detail::parse_query_text(seen.body, params);
    EXPECT_EQ(params.size(), 1u);
    EXPECT_EQ(params.begin()->second, c.content);
    EXPECT_EQ(status, "您的反馈已提交！");
  }

  EXPECT_EQ(SendFeedback("", address, true), "请输入您要反馈的内容！");
  EXPECT_EQ(server.requests().size(), 1u) << "an empty text sends nothing";

  status = 500;
  EXPECT_EQ(SendFeedback("x", address, true), "反馈提交失败：HTTP 500");

  const Text down = SendFeedback("x", "http://127.0.0.1:1/Feedback/js_post.php", true);
  EXPECT_EQ(down.rfind("反馈提交失败：", 0), 0u) << down;
}

}  // namespace
}  // namespace pindle
