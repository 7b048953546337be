#include "generate/failure_reason.h"

#include <gtest/gtest.h>

namespace pindle {
namespace {

TEST(FailureReason, NamesTheStatusAndWhatTheServiceSaid) {
  const Text longText(300, 'x');
  const struct {
    int status;
    const char* error;  // the web layer's reason
    Text answer;
    const char* link;  // what the extraction gave
    Text wanted;
  } cases[] = {
      {200, "", "https://s/1", "https://s/1", ""},
      {400, "", R"({"link":"https://s/old"})", "https://s/old", ""},  // a 4xx may carry the link
      {503, "", "error:concurrency", "", "HTTP 503：error:concurrency"},
      {500, "", "httpd: internal server error", "httpd: internal server error",
       "HTTP 500：httpd: internal server error"},
      {502, "", "https://s/1", "https://s/1", "HTTP 502：https://s/1"},  // 5xx is no link, whatever it says
      {401, "", R"({"message":"Please log in","code":401})", "", "HTTP 401：Please log in"},
      {400, "", R"({"error":"bad url"})", "", "HTTP 400：bad url"},
      {400, "", R"({"msg":"参数错误"})", "", "HTTP 400：参数错误"},
      {400, "", R"({"errorMessage":"nope"})", "", "HTTP 400：nope"},
      {403, "", R"({"status_code":403,"status_txt":"RATE_LIMIT_EXCEEDED"})", "", "HTTP 403：RATE_LIMIT_EXCEEDED"},
      {422, "", R"({"error":{"code":7,"message":"taken"}})", "", "HTTP 422：taken"},
      {401, "", R"({"type":"x","title":"Invalid API key","detail":"Key is invalid.","status":401})", "",
       "HTTP 401：Key is invalid."},
      {404, "", R"({"type":"x","title":"Short URL not found","status":404})", "", "HTTP 404：Short URL not found"},
      {400, "", R"({"error":true,"msg":"said after a flag"})", "", "HTTP 400：said after a flag"},
      {404, "", R"({"data":null})", "", R"(HTTP 404：{"data":null})"},
      {500, "", "line one\r\n\tline\x1b two  ", "", "HTTP 500：line one line two"},
      {500, "", longText, "", "HTTP 500：" + Text(200, 'x') + "…"},
      {404, "", "", "", "HTTP 404"},
      {200, "", R"({"error":"bad url"})", "", "服务没有返回短网址：bad url"},
      {200, "", "", "", "服务没有返回短网址"},
      {200, "", "ERROR", "ERROR", "服务返回：ERROR"},
      {200, "", "x", "https://s/1\n", "服务返回：https://s/1"},
      {0, "无法连接服务器：Connection refused", "", "", "无法连接服务器：Connection refused"},
      {200, "", Text(600, '['), "JSON解析失败", "应答嵌套太深（超过 512 层）"},
      {200, "", "{\"a\":\"" + Text(600, '[') + "\"}", "JSON解析失败", "服务返回：JSON解析失败"},
  };
  for (const auto& c : cases) {
    WebResponse response;
    response.status = c.status;
    response.error = c.error;
    EXPECT_EQ(NoLinkReason(c.link, response, c.answer), c.wanted) << c.status << " " << c.answer;
  }
}

TEST(FailureReason, LongWaitsInWordsAPersonReads) {
  const struct {
    long long seconds;
    const char* wanted;
  } cases[] = {
      {121, "服务要求等待 2 分钟 1 秒后再试"},     {900, "服务要求等待 15 分钟后再试"},
      {5400, "服务要求等待 1 小时 30 分钟后再试"}, {99999, "服务要求等待 27 小时后再试"},
      {86400 * 30, "服务要求等待 30 天后再试"},    {86400 * 3 + 7200, "服务要求等待 3 天 2 小时后再试"},
  };
  for (const auto& c : cases) EXPECT_EQ(LongWaitReason(std::chrono::seconds(c.seconds)), c.wanted) << c.seconds;
}

}  // namespace
}  // namespace pindle
