#include <gtest/gtest.h>

#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "generate/shorten_engine.h"
#include "generate/shorten_trace.h"
#include "platform/files.h"
#include "plugins/plugin_definition.h"
#include "tests/support/httplib_server.h"
#include "tests/support/request_log.h"
#include "tests/support/temp_dir.h"

namespace pindle {
namespace {

constexpr const char* kKey = "K3y-s3cret";

// One imitation of every starter's service, answering as each one documents: the link for a good
// address sent with the key where the service wants it, its documented error answer for
// http://bad.example/, and 401 when the key is missing.
struct Imitation {
  test::RequestLog<> bodies;  // what the JSON services were sent
  test::HttplibLoopbackServer server{[this](httplib::Server& s) { routes(s); }};

  static bool bad(const std::string& longUrl) { return longUrl.find("bad.example") != std::string::npos; }

  void json(httplib::Server& s, const char* path, const char* keyHeader, const char* keyPrefix, const char* urlKey,
            std::string good, int errorStatus, std::string error) {
    s.Post(path, [=, this](const httplib::Request& req, httplib::Response& res) {
      bodies.add(req.body);
      if (req.get_header_value(keyHeader) != std::string(keyPrefix) + kKey) {
        res.status = 401;
        res.set_content(R"({"message":"FORBIDDEN"})", "application/json");
        return;
      }
      const auto body = nlohmann::json::parse(req.body, nullptr, false);
      const bool isBad = !body.is_object() || !body.contains(urlKey) || bad(body[urlKey].get<std::string>());
      res.status = isBad ? errorStatus : 200;
      res.set_content(isBad ? error : good, "application/json; charset=utf-8");
    });
  }
  void query(httplib::Server& s, const char* path, const char* keyParam, const char* urlParam,
             const std::map<std::string, std::pair<std::string, std::string>>& answers) {
    s.Get(path, [=](const httplib::Request& req, httplib::Response& res) {
      if (keyParam[0] && req.get_param_value(keyParam) != kKey) {
        res.status = 401;
        return;
      }
      const std::string format = req.has_param("callback") ? "jsonp" : req.get_param_value("format");
      const auto& [good, error] = answers.count(format) ? answers.at(format) : answers.at("");
      const bool isBad = bad(req.get_param_value(urlParam));
      if (isBad && !answers.count("200")) res.status = 400;
      res.set_content(isBad ? error : good, "text/plain; charset=utf-8");
    });
  }

  void routes(httplib::Server& s) {
    json(s, "/v4/shorten", "Authorization", "Bearer ", "long_url", R"({"link":"https://bit.ly/Ab1","id":"bit.ly/Ab1"})",
         400,
         R"({"message":"INVALID_ARG_LONG_URL","resource":"bitlinks","description":"The value provided is invalid."})");
    json(s, "/create", "Authorization", "Bearer ", "url",
         R"({"data":{"tiny_url":"https://tinyurl.com/Ab1","alias":"Ab1"},"code":0,"errors":[]})", 422,
         R"({"data":[],"code":5,"errors":["Invalid URL."]})");
    json(s, "/links", "Authorization", "", "originalURL", R"({"shortURL":"https://s.short.gy/Ab1","idString":"lnk_1"})",
         400, R"({"error":"Bad Request","message":"body/originalURL must match format \"uri\"","statusCode":400})");
    json(s, "/v1/links", "apikey", "", "destination", R"({"id":"1","shortUrl":"rebrand.ly/Ab1"})", 403,
         R"({"message":"Invalid format","code":"InvalidFormat","source":"destination"})");
    json(s, "/api/v2/links", "X-API-KEY", "", "target", R"({"id":"1","link":"https://kutt.it/Ab1"})", 400,
         R"({"error":"URL is not valid."})");
    json(
        s, "/rest/v3/short-urls", "X-Api-Key", "", "longUrl", R"({"shortCode":"Ab1","shortUrl":"https://s.test/Ab1"})",
        400,
        R"({"type":"https://shlink.io/api/error/invalid-data","title":"Invalid data","detail":"Provided data is not valid","status":400})");
    query(
        s, "/api/api.php", "key", "short",
        {{"200", {}},
         {"",
          {R"({"url":{"status":7,"fullLink":"x","shortLink":"https:\/\/cutt.ly\/Ab1"}})", R"({"url":{"status":2}})"}}});
    query(
        s, "/yourls-api.php", "signature", "url",
        {{"",
          {R"({"status":"success","code":"","shorturl":"https://sho.rt/Ab1","statusCode":200})",
           R"({"status":"fail","code":"error:url","message":"Missing or malformed URL","errorCode":"400","statusCode":400})"}}});
    query(s, "/create.php", "", "url",
          {{"simple", {"https://is.gd/Ab1", "Error: Please enter a valid URL to shorten"}},
           {"json",
            {R"({ "shorturl": "https:\/\/is.gd\/Ab1" })",
             R"({ "errorcode": 1, "errormessage": "Please specify a valid URL to shorten." })"}},
           {"xml",
            {"<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<output><shorturl>https://is.gd/Ab1</shorturl></output>",
             "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<output><errorcode>1</errorcode><errormessage>Please "
             "specify a valid URL to shorten.</errormessage></output>"}},
           {"jsonp",
            {R"(pindle({ "shorturl": "https:\/\/is.gd\/Ab1" });)",
             R"(pindle({ "errorcode": 1, "errormessage": "Please specify a valid URL to shorten." });)"}}});
    query(s, "/api-create.php", "", "url", {{"", {"https://tinyurl.com/Ab1", "Error"}}});
    query(s, "/s", "", "url", {{"", {"https://da.gd/Ab1\n", "Long URL cannot be empty\n"}}});
    query(s, "/--", "", "url", {{"", {"https://clck.ru/Ab1", "Bad request"}}});
  }
};

// The starter file with its service's address pointing at the imitation; a self-hosted one gets
// the imitation as its server.
std::string Relocated(const std::string& file, const std::string& base, const test::TempDir& dir) {
  auto plugin = nlohmann::ordered_json::parse(*ReadWholeFile(Text(PINDLE_SOURCE_DIR) + "/Plug/" + file, 1 << 20));
  std::string path = plugin["API"]["API Path"];
  if (path.rfind("https://", 0) == 0) path = base + path.substr(path.find('/', 8));
  plugin["API"]["API Path"] = path;
  dir.write("Plug/" + file, plugin.dump(2));
  return dir.file("Plug/" + file);
}

TEST(StarterServices, EachAgainstAnImitationOfItsService) {
  struct Case {
    const char* file;
    std::string link;  // for a good address
  };
  const std::vector<Case> cases = {
      {"bitly.json", "https://bit.ly/Ab1"},
      {"tinyurl-api.json", "https://tinyurl.com/Ab1"},
      {"shortio.json", "https://s.short.gy/Ab1"},
      {"rebrandly.json", "https://rebrand.ly/Ab1"},
      {"cuttly.json", "https://cutt.ly/Ab1"},
      {"kutt.json", "https://kutt.it/Ab1"},
      {"yourls.json", "https://sho.rt/Ab1"},
      {"shlink.json", "https://s.test/Ab1"},
      {"isgd-text.json", "https://is.gd/Ab1"},
      {"isgd-json.json", "https://is.gd/Ab1"},
      {"isgd-xml.json", "https://is.gd/Ab1"},
      {"isgd-jsonp.json", "https://is.gd/Ab1"},
      // One imitation answers for is.gd and v.gd alike.
      {"vgd-text.json", "https://is.gd/Ab1"},
      {"vgd-json.json", "https://is.gd/Ab1"},
      {"tinyurl.json", "https://tinyurl.com/Ab1"},
      {"dagd.json", "https://da.gd/Ab1"},
      {"clckru.json", "https://clck.ru/Ab1"},
  };
  Imitation service;
  test::TempDir dir;
  const std::string base = service.server.url("");
  EXPECT_EQ(cases.size(), ListFileNames(Text(PINDLE_SOURCE_DIR) + "/Plug/", ".json").size()) << "a starter untested";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string file = Relocated(c.file, base, dir);
    const PluginDefinition plugin = PluginDefinition::FromFile(file);
    ShortenInputs inputs;
    for (const PluginField& f : plugin.fields())
      inputs.fieldValues[f.name] = f.secret                 ? Text(kKey)
                                   : f.name == "Server"     ? base
                                   : f.defaultValue.empty() ? Text("s.short.gy")
                                                            : f.defaultValue;
    inputs.secrets = {kKey};
    JsonDocument document;
    Text failure;
    const Text good = ShortenOne(file, "https://127.0.0.1/路径?a=1&b=2", document, &failure, inputs);
    // A service's line break behind the link is not part of it.
    ASSERT_EQ(good.rfind(c.link, 0), 0u) << good << " " << failure << "\n"
                                         << FormatTrace(TraceShorten(file, "https://127.0.0.1/", document, inputs));
    EXPECT_EQ(good.find_first_not_of("\r\n", c.link.size()), Text::npos) << good;
    const Text error = ShortenOne(file, "http://bad.example/", document, &failure, inputs);
    EXPECT_NE(error.rfind("http", 0), 0u) << error;
    EXPECT_EQ((good + error + failure).find(kKey), Text::npos);
    if (!plugin.fields().empty()) {
      // Until the key is set the line fails, saying how to set it.
      ShortenOne(file, "https://127.0.0.1/", document, &failure, {});
      EXPECT_EQ(failure.rfind("缺少配置：", 0), 0u) << failure;
    }
  }
  // The JSON services got the long URL whole, its non-ASCII characters escaped.
  const std::vector<std::string> bodies = service.bodies.entries();
  ASSERT_FALSE(bodies.empty());
  EXPECT_NE(bodies.front().find(R"("https://127.0.0.1/\u8def\u5f84?a=1&b=2")"), std::string::npos) << bodies.front();
}

}  // namespace
}  // namespace pindle
