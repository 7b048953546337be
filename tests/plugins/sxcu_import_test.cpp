#include "plugins/sxcu_import.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "json/json_parse.h"
#include "platform/codepage.h"
#include "tests/support/temp_dir.h"

namespace pindle {
namespace {

// Uploader files written for these tests from the published description of the format.
TEST(SxcuImport, MappingAndRefusals) {
  struct Case {
    const char* name;
    const char* sxcu;
    // Plug-in members that must come out ("API.Data" etc.), as "path=value".
    std::vector<std::pair<const char*, const char*>> want;
    std::vector<const char*> problems;  // texts the problems must mention, in order
  } cases[] = {
      {"current GET with parameters and a JSON path",
       R"({"Version":"15.0.0","Name":"Short One","DestinationType":"URLShortener","RequestMethod":"GET",
           "RequestURL":"https://s.example/api","Parameters":{"key":"a b&c","url":"{input}"},
           "Headers":{"X-Key":"k1","Accept":"application/json"},"URL":"{json:data.link}"})",
       {{"Name", "Short One"},
        {"API.Type", "GET"},
        {"API.API Path", "https://s.example/api?"},
        {"API.Data", "key=$Field:key$&url=$Url$"},
        {"API.Headers", "X-Key: k1\r\nAccept: application/json"},
        {"Response.Type", "1"},
        {"Response.Parameter", "data.link"}},
       {}},
      {"current form body, prefix before a JSON path, name from the host",
       R"({"RequestMethod":"POST","RequestURL":"https://api.example.org/new?v=2","Body":"FormURLEncoded",
           "Arguments":{"long":"{input}"},"URL":"https://x.example/{json:$.result[0].id}"})",
       {{"Name", "api.example.org"},
        {"API.Type", "POST"},
        {"API.API Path", "https://api.example.org/new?v=2"},
        {"API.Data", "long=$Url$"},
        {"API.BodyType", "form"},
        {"Response.Type", "2"},
        {"Response.Prefix", "https://x.example/"},
        {"Response.Parameter", "result[0].id"}},
       {}},
      {"current JSON body, prefix before the whole answer",
       R"({"Name":"J","RequestMethod":"POST","RequestURL":"https://j.example/","Body":"JSON",
           "Data":"{\"url\":\"{input}\",\"n\":1}","URL":"https://j.example/{response}"})",
       {{"API.Data", R"({"url":"$RawUrl$","n":1})"},
        {"API.BodyType", "json"},
        {"Response.Type", "0"},
        {"Response.ResultPrefix", "https://j.example/"}},
       {}},
      {"current regex with a group and with none",
       R"({"Name":"R","RequestMethod":"GET","RequestURL":"https://r.example/?u={input}",
           "URL":"{regex:href=\"([^\"]+)\"|1}"})",
       {{"Response.Type", "5"}, {"Response.Pattern", R"re(href="([^"]+)")re"}},
       {"RequestURL 里的 {input} 无法表达", "没有一处用到 {input}"}},  // the address is taken as it stands
      {"current regex without group takes the whole match",
       R"({"Name":"R2","RequestMethod":"GET","RequestURL":"https://r.example/","Parameters":{"u":"{input}"},
           "URL":"{regex:https://r\\.example/\\w\\{3\\}}"})",
       {{"Response.Pattern", R"re((https://r\.example/\w{3}))re"}},
       {}},
      {"current regex braces nest",
       R"({"Name":"R3","RequestMethod":"GET","RequestURL":"https://r.example/","Parameters":{"u":"{input}"},
           "URL":"{regex:id=(\\d{3})|1}"})",
       {{"Response.Pattern", R"re(id=(\d{3}))re"}},
       {}},
      {"older GET with arguments and the whole answer",
       R"({"Name":"Old","RequestType":"GET","RequestURL":"https://o.example/create","Arguments":{"url":"$input$",
           "format":"simple"},"ResponseType":"Text","URL":"$response$"})",
       {{"API.Type", "GET"},
        {"API.API Path", "https://o.example/create?"},
        {"API.Data", "url=$Url$&format=simple"},
        {"Response.Type", "0"}},
       {}},
      {"older POST sends its arguments as a form; a regex from RegexList",
       R"({"Name":"Old2","RequestType":"POST","RequestURL":"https://o.example/p","Arguments":{"u":"$input$"},
           "RegexList":["nothing","<b>(.+?)</b>"],"URL":"$regex:2,1$"})",
       {{"API.Type", "POST"},
        {"API.Data", "u=$Url$"},
        {"API.BodyType", "form"},
        {"Response.Type", "5"},
        {"Response.Pattern", "<b>(.+?)</b>"}},
       {}},
      {"older $n$ and a JSON path with a prefix",
       R"({"Name":"Old3","RequestType":"GET","RequestURL":"https://o.example/","Arguments":{"u":"$input$"},
           "RegexList":["[a-z]+"],"URL":"https://o.example/$1$"})",
       {{"Response.Pattern", "([a-z]+)"}, {"Response.ResultPrefix", "https://o.example/"}},
       {}},
      {"multipart text fields",
       R"({"Name":"M","RequestMethod":"POST","RequestURL":"https://m/","Body":"MultipartFormData",
           "Arguments":{"u":"{input}","n":"a b"},"URL":"{json:url}"})",
       {{"API.Data", "u=$Url$&n=a%20b"}, {"API.BodyType", "multipart"}, {"Encoding", "UTF-8"}},
       {}},
      {"older file upload is multipart",
       R"({"Name":"M2","RequestType":"POST","RequestURL":"https://m/",
           "FileFormName":"f","Arguments":{"k":"v"},"URL":"$json:url$"})",
       {{"API.BodyType", "multipart"}},
       {"没有一处用到 $input$"}},
      {"the answer named explicitly",
       R"({"Name":"N","RequestMethod":"GET","RequestURL":"https://n/","Parameters":{"u":"{input}"},
           "URL":"{json:{response}|data.short}"})",
       {{"Response.Type", "1"}, {"Response.Parameter", "data.short"}},
       {}},
      {"a nested source the plug-in cannot read",
       R"({"Name":"N2","RequestMethod":"GET","RequestURL":"https://n/","Parameters":{"u":"{input}"},
           "URL":"{json:{header:X-Link}|a}"})",
       {},
       {"从 {header:X-Link} 读取，无法表达"}},
      {"syntax in the address",
       R"({"Name":"U","RequestMethod":"GET","RequestURL":"https://u/{random:a|b}/","Parameters":{"u":"{input}"},
           "URL":"{response}"})",
       {},
       {"RequestURL 里的 {random:a|b} 无法表达"}},
      {"answer header",
       R"({"Name":"H","RequestMethod":"GET","RequestURL":"https://h/","Parameters":{"u":"{input}"},
           "URL":"{header:Location}"})",
       {},
       {"{header:Location}"}},
      {"xml and prompts and random choices",
       R"({"Name":"X","RequestMethod":"POST","RequestURL":"https://x/","Body":"FormURLEncoded",
           "Arguments":{"u":"{input}","t":"{prompt:Title}","r":"{random:a|b}"},"URL":"{xml:/r/u}"})",
       {},
       {"Arguments 的 t里的 {prompt:Title}", "Arguments 的 r里的 {random:a|b}", "{xml:/r/u}"}},
      {"older header and select",
       R"({"Name":"Y","RequestType":"GET","RequestURL":"https://y/",
           "Arguments":{"u":"$input$","s":"$select:a|b$"},"URL":"$header:Location$"})",
       {},
       {"$select:a|b$", "$header:Location$"}},
      {"methods and places the format cannot say",
       R"({"Name":"P","RequestMethod":"PUT","RequestURL":"ftp://p/","Parameters":{"u":"{input}"},
           "URL":"{json:a}.png"})",
       {},
       {"请求方法 PUT", "不是 http(s) 地址", "Parameters 的 u里的 {input}", "没有一处用到", "后面还有文字"}},
      {"long URL in a POST address",
       R"({"Name":"Q","RequestMethod":"POST","RequestURL":"https://q/",
           "Parameters":{"u":"{input}"},"URL":"{response}"})",
       {},
       {"Parameters 的 u里的 {input}", "没有一处用到"}},
      {"regex group other than the first",
       R"({"Name":"G","RequestMethod":"GET","RequestURL":"https://g/",
           "Parameters":{"u":"{input}"},"URL":"{regex:(a)(b)|2}"})",
       {},
       {"第 2 组"}},
      {"RegexList entry missing",
       R"({"Name":"L","RequestType":"GET","RequestURL":"https://l/",
           "Arguments":{"u":"$input$"},"URL":"$regex:3$"})",
       {},
       {"不存在的 RegexList 项"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const SxcuConversion out = ConvertSxcu(c.sxcu);
    ASSERT_TRUE(out.readable);
    const auto plugin = ParseJsonText(out.pluginJson);
    ASSERT_TRUE(plugin);
    for (const auto& [path, value] : c.want) {
      const Text p = path;
      const auto dot = p.find('.');
      const Json& v = dot == Text::npos ? plugin->value[p] : plugin->value[p.substr(0, dot)][p.substr(dot + 1)];
      EXPECT_EQ(v, value) << path;
    }
    ASSERT_EQ(out.problems.size(), c.problems.size()) << ::testing::PrintToString(out.problems);
    for (size_t i = 0; i < c.problems.size(); ++i)
      EXPECT_NE(out.problems[i].find(c.problems[i]), Text::npos) << out.problems[i];
  }
  EXPECT_FALSE(ConvertSxcu("not json").readable);
  EXPECT_FALSE(ConvertSxcu("[1]").readable);
}

// Keys and tokens go into secret fields; what the plug-in does not use is named; uploaders of files
// are told apart.
TEST(SxcuImport, SecretsDroppedKeysAndUploaders) {
  struct Case {
    const char* sxcu;
    std::vector<std::pair<Text, Text>> secrets;
    const char* headers;
    const char* data;
    std::vector<Text> dropped;
    bool uploader;
  } cases[] = {
      {R"({"Name":"A","RequestMethod":"POST","RequestURL":"https://a/","Body":"JSON","Data":"{\"u\":\"{input}\"}",
          "Headers":{"Authorization":"Bearer T0k","X-API-Key":"K3y","Accept":"text/plain"},"URL":"{json:u}",
          "ErrorMessage":"{json:error}","ThumbnailURL":"{json:t}","DeletionURL":""})",
       {{"Authorization", "T0k"}, {"X-API-Key", "K3y"}},
       "Authorization: Bearer $Field:Authorization$\r\nX-API-Key: $Field:X-API-Key$\r\nAccept: text/plain",
       R"({"u":"$RawUrl$"})",
       {"ErrorMessage", "ThumbnailURL"},
       false},
      {R"({"Name":"B","RequestMethod":"GET","RequestURL":"https://b/","Parameters":{"signature":"s1","token":"{prompt}",
          "apikey":"a1","u":"{input}"}})",
       {{"signature", "s1"}, {"apikey", "a1"}},
       "",
       "signature=$Field:signature$&token=&apikey=$Field:apikey$&u=$Url$",
       {},
       false},
      {R"({"Name":"C","RequestMethod":"POST","RequestURL":"https://c/","Body":"MultipartFormData",
          "FileFormName":"file","Arguments":{"key":"k"},"URL":"{json:url}"})",
       {{"key", "k"}},
       "",
       "key=$Field:key$",
       {},
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sxcu);
    const SxcuConversion out = ConvertSxcu(c.sxcu);
    EXPECT_EQ(out.secrets, c.secrets);
    EXPECT_EQ(out.dropped, c.dropped);
    EXPECT_EQ(out.uploader, c.uploader);
    const auto plugin = ParseJsonText(out.pluginJson);
    ASSERT_TRUE(plugin);
    EXPECT_EQ(plugin->value["API"]["Headers"], c.headers);
    EXPECT_EQ(plugin->value["API"]["Data"], c.data);
    ASSERT_EQ(plugin->value.value("Fields", Json::array()).size(), c.secrets.size());
    for (const auto& field : plugin->value.value("Fields", Json::array())) EXPECT_EQ(field["Secret"], true);
    EXPECT_EQ(out.pluginJson.find("K3y"), Text::npos);
  }
}

TEST(SxcuImport, WritesIntoPlugOnlyWhenFaithfulUnlessForced) {
  test::TempDir dir;
  dir.write("good.sxcu",
            "\xEF\xBB\xBF"
            R"({"Name":"好/短链","RequestMethod":"GET","RequestURL":"https://g/",
      "Parameters":{"u":"{input}"},"URL":"{response}"})");
  dir.write("emoji.sxcu",
            R"({"Name":"E😀","RequestMethod":"GET","RequestURL":"https://e/","Parameters":{"u":"{input}"}})");
  dir.write("bad.sxcu", R"({"Name":"Bad","RequestMethod":"GET","RequestURL":"https://b/","Parameters":{"u":"{input}"},
      "URL":"{header:Location}"})");
  dir.write("junk.sxcu", "junk");
  const std::string plug = dir.file("Plug/");

  const SxcuImport good = ImportSxcuFile(dir.file("good.sxcu"), plug, false);
  ASSERT_TRUE(good.ok()) << good.error;
  EXPECT_EQ(good.written, dir.file("Plug/好_短链.json"));
  EXPECT_NE(GbkToUtf8Text(dir.read("Plug/好_短链.json")).find("\"Name\": \"好/短链\""), Text::npos);  // code page 936
  ASSERT_TRUE(ImportSxcuFile(dir.file("emoji.sxcu"), plug, false).ok());
  EXPECT_EQ(dir.read("Plug/E😀.json").substr(0, 3), "\xEF\xBB\xBF");  // 936 cannot hold it: UTF-8 with a mark

  const SxcuImport bad = ImportSxcuFile(dir.file("bad.sxcu"), plug, false);
  EXPECT_FALSE(bad.ok());
  EXPECT_FALSE(std::filesystem::exists(dir.file("Plug/Bad.json")));
  EXPECT_NE(
      DescribeImport(bad).find("bad.sxcu：有无法表达的内容，没有写入；无法表达：结果模板 URL 用了 {header:Location}"),
      Text::npos)
      << DescribeImport(bad);
  const SxcuImport forced = ImportSxcuFile(dir.file("bad.sxcu"), plug, true);
  EXPECT_TRUE(forced.ok());
  EXPECT_TRUE(std::filesystem::exists(dir.file("Plug/Bad.json")));
  EXPECT_NE(DescribeImport(forced).find("无法表达"), Text::npos);

  // An existing file or Name is neither replaced nor shadowed unless forced; an uploader never comes in.
  dir.write("again.sxcu",
            R"({"Name":"bad","RequestMethod":"GET","RequestURL":"https://b2/","Parameters":{"u":"{input}"}})");
  dir.write("other.sxcu",
            R"({"Name":"好/短链","RequestMethod":"GET","RequestURL":"https://o/","Parameters":{"u":"{input}"}})");
  dir.write("upload.sxcu", R"({"Name":"Up","RequestMethod":"POST","RequestURL":"https://u/","Body":"MultipartFormData",
      "FileFormName":"file","URL":"{json:url}"})");
  const SxcuImport sameName = ImportSxcuFile(dir.file("again.sxcu"), plug, false);
  EXPECT_TRUE(sameName.clash);
  EXPECT_EQ(sameName.error, "已有插件叫“Bad”（Bad.json），没有写入");
  const SxcuImport sameFile = ImportSxcuFile(dir.file("other.sxcu"), plug, false);
  EXPECT_TRUE(sameFile.clash);
  EXPECT_EQ(sameFile.error, "插件文件 " + dir.file("Plug/好_短链.json") + " 已经存在，没有覆盖");
  EXPECT_TRUE(ImportSxcuFile(dir.file("other.sxcu"), plug, true).ok());
  EXPECT_NE(GbkToUtf8Text(dir.read("Plug/好_短链.json")).find("https://o/"), Text::npos);
  EXPECT_EQ(ImportSxcuFile(dir.file("upload.sxcu"), plug, true).error, "上传文件或图片的上传器，不能用来缩短网址");

  EXPECT_EQ(ImportSxcuFile(dir.file("junk.sxcu"), plug, true).error, "不是 ShareX 自定义上传器文件（JSON 对象）");
  EXPECT_EQ(ImportSxcuFile(dir.file("missing.sxcu"), plug, true).error, "读不到文件");
  EXPECT_TRUE(IsSxcuPath("/a/B.SXCU"));
  EXPECT_FALSE(IsSxcuPath("/a/b.json"));
}

}  // namespace
}  // namespace pindle
