#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "platform/codepage.h"
#include "tests/support/httplib_server.h"
#include "tests/support/plugin_files.h"
#include "tests/support/process.h"
#include "tests/support/program_copy.h"
#include "tests/support/request_log.h"
#include "text/csv_reader.h"
#include "text/csv_writer.h"
#include "text/percent_encoding.h"

#ifdef PINDLE_BINARY

namespace pindle {
namespace {

// What the service was asked for: the long URL and the alias, as it decoded them.
struct Asked {
  std::string url;
  std::string alias;
  std::string domain;
  std::string tags;
};

// `pindle shorten --csv` against a loopback service that answers "http://s/?<its request>", and
// fails (HTTP 500) every long URL holding "fail".
class ShortenCsvTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  test::RequestLog<Asked> asked;
  test::HttplibLoopbackServer service{[this](httplib::Server& s) {
    s.Get("/s", [this](const httplib::Request& req, httplib::Response& res) {
      const std::string url = req.get_param_value("url");
      asked.add({url, req.get_param_value("alias"), req.get_param_value("domain"), req.get_param_value("tags")});
      if (url.find("fail") != std::string::npos) {
        res.status = 500;
        res.set_content("down", "text/plain");
        return;
      }
      res.set_content("http://s/?" + req.target, "text/plain");
    });
  }};
  std::string program;

  void SetUp() override {
    program = dir.file("pindle");
    test::CopyProgram(PINDLE_BINARY, program);
    test::WritePlugin(dir, "s.json", {.name = "S", .path = service.url("/s?"), .data = "url=$Url$&alias=$Alias$"});
    test::WritePlugin(dir, "f.json",
                      {.name = "F",
                       .path = service.url("/s?"),
                       .data = "url=$Url$&domain=$Field:domain$&tags=$Field:tags$",
                       .fields = R"([{"Name": "domain", "Default": "d.test"}, {"Name": "tags"}])"});
  }
  test::ProcessResult run(std::vector<std::string> args, const std::string& input) {
    args.insert(args.begin(), {program, "shorten"});
    return test::RunProcess(args, {{"PATH", "/usr/bin:/bin"}, {"HOME", dir.path()}}, input);
  }
  // The long URL a result link was made for (the service put it in the link, as the plug-in sent
  // it: in GBK, as the Windows program does).
  static std::string LinkedUrl(const std::string& link) {
    const size_t at = link.find("url=");
    if (at == std::string::npos) return {};
    return GbkToUtf8Text(PercentDecode(link.substr(at + 4, link.find('&', at) - at - 4)));
  }
};

TEST_F(ShortenCsvTest, EveryFieldComesBackWithItsLink) {
  const std::string shlink =
      "Long URL,Tags,Domain,Short code,Title\r\n"
      "http://127.0.0.1/a?x=1&y=2,\"news,tech\",,abc,\"He said \"\"hi\"\"\r\nand left\"\r\n"
      "http://127.0.0.1/中文/路径,,s.test,,标题\r\n";
  const struct {
    const char* name;
    std::string input;
    std::vector<std::string> options;
    CsvRecord header;
    std::vector<CsvRecord> fields;  // as they must come back
    std::vector<int> urlColumn;     // where each record's long URL is (-1: none sent)
    std::vector<std::string> aliases;
  } cases[] = {
      {"Shlink's export, quotes, commas, a line break and Chinese",
       shlink,
       {},
       {"Long URL", "Tags", "Domain", "Short code", "Title"},
       {{"http://127.0.0.1/a?x=1&y=2", "news,tech", "", "abc", "He said \"hi\"\r\nand left"},
        {"http://127.0.0.1/中文/路径", "", "s.test", "", "标题"}},
       {0, 0},
       {"abc", ""}},
      {"a bare url column, short records filled",
       "url,note\nhttp://127.0.0.1/1\nhttp://127.0.0.1/2,two\n",
       {},
       {"url", "note"},
       {{"http://127.0.0.1/1", ""}, {"http://127.0.0.1/2", "two"}},
       {0, 0},
       {"", ""}},
      {"a byte-order mark, and --bom on the output",
       "\xEF\xBB\xBFlong_url\r\nhttp://127.0.0.1/b\r\n",
       {"--bom"},
       {"long_url"},
       {{"http://127.0.0.1/b"}},
       {0},
       {""}},
      {"a GBK file (saved on Windows)",
       Utf8ToGbk("标题,长网址,后缀\r\n第一,http://127.0.0.1/中,k1\r\n"),
       {},
       {"标题", "长网址", "后缀"},
       {{"第一", "http://127.0.0.1/中", "k1"}},
       {1},
       {"k1"}},
      {"a blank long URL is not sent", "url,n\n,1\n", {}, {"url", "n"}, {{"", "1"}}, {-1}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    asked.clear();
    std::vector<std::string> args{"--csv", "-p", "S"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const auto r = run(args, c.input);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const bool bom = !c.options.empty();
    EXPECT_EQ(r.out.starts_with(kUtf8Bom), bom);
    EXPECT_TRUE(IsWellFormedUtf8(r.out));
    const std::vector<CsvRecord> out = ReadCsv(r.out);
    ASSERT_EQ(out.size(), c.fields.size() + 1);
    CsvRecord header = c.header;
    header.insert(header.end(), {"短网址", "插件", "失败原因"});
    EXPECT_EQ(out[0], header);
    for (size_t i = 0; i < c.fields.size(); ++i) {
      const CsvRecord& row = out[i + 1];
      ASSERT_EQ(row.size(), c.header.size() + 3);
      EXPECT_EQ(CsvRecord(row.begin(), row.begin() + static_cast<long>(c.header.size())), c.fields[i]);
      const std::string& link = row[c.header.size()];
      if (c.urlColumn[i] < 0) {
        EXPECT_EQ(link, "");
        continue;
      }
      EXPECT_EQ(LinkedUrl(link), c.fields[i][static_cast<size_t>(c.urlColumn[i])]) << link;
      EXPECT_EQ(row[c.header.size() + 1], "S");
      EXPECT_EQ(row[c.header.size() + 2], "");
    }
    std::vector<std::string> aliases;
    for (const Asked& a : asked.entries()) aliases.push_back(a.alias);
    std::sort(aliases.begin(), aliases.end());
    std::vector<std::string> wanted = c.aliases;
    std::sort(wanted.begin(), wanted.end());
    EXPECT_EQ(aliases, wanted);
  }
}

TEST_F(ShortenCsvTest, AThousandRowsInOrder) {
  std::string input = "Title,Long URL,Tags\n";
  std::vector<CsvRecord> rows;
  for (int n = 1; n <= 1000; ++n) {
    const std::string id = std::to_string(n);
    rows.push_back({"标题 " + id + ", \"第" + id + "\"", "http://127.0.0.1/页/" + id, n % 2 ? "a" : ""});
    input += CsvLine(rows.back());
  }
  const auto r = run({"--csv", "-p", "S", "-j", "8"}, input);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::vector<CsvRecord> out = ReadCsv(r.out);
  ASSERT_EQ(out.size(), 1001u);
  for (size_t i = 0; i < rows.size(); ++i) {
    ASSERT_EQ(CsvRecord(out[i + 1].begin(), out[i + 1].begin() + 3), rows[i]) << i;
    ASSERT_EQ(LinkedUrl(out[i + 1][3]), rows[i][1]) << i;
  }
  EXPECT_EQ(asked.size(), 1000u);
}

TEST_F(ShortenCsvTest, AFailingRowSaysWhy) {
  const auto r = run({"--csv", "-p", "S"}, "url\nhttp://127.0.0.1/ok\nhttp://127.0.0.1/fail\n");
  EXPECT_EQ(r.exitCode, 1) << r.err;
  const std::vector<CsvRecord> out = ReadCsv(r.out);
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(LinkedUrl(out[1][1]), "http://127.0.0.1/ok");
  EXPECT_EQ(out[2][1], "");
  EXPECT_NE(out[2][3].find("500"), std::string::npos) << out[2][3];
  EXPECT_NE(r.err.find("第 2 行"), std::string::npos) << r.err;
}

TEST_F(ShortenCsvTest, RefusedBeforeAnythingIsSent) {
  const struct {
    std::vector<std::string> args;
    std::string input;
    std::string errHas;
  } cases[] = {
      {{"--csv"}, "Title,Link\nx,http://127.0.0.1/a\n", "Long URL、long_url"},
      {{"--csv"}, "", "长网址"},
      {{"--csv", "--json"}, "url\nhttp://127.0.0.1/a\n", "--json"},
      {{"--csv", "--alias", "x"}, "url\nhttp://127.0.0.1/a\n", "--alias"},
      {{"--csv", "http://127.0.0.1/a"}, "url\n", "标准输入"},
      {{"--bom"}, "http://127.0.0.1/a\n", "--bom"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.errHas);
    const auto r = run(c.args, c.input);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find(c.errHas), std::string::npos) << r.err;
  }
  EXPECT_TRUE(asked.empty());
}

// --field gives the plug-in's fields their values for one run: they reach the request, and the
// next run has the stored values again.
TEST_F(ShortenCsvTest, FieldValuesForOneRun) {
  const struct {
    std::vector<std::string> args;
    int exitCode;
    std::string domain;  // as the service got it; empty: nothing sent
    std::string tags;
    std::string errHas;
  } cases[] = {
      {{"--field", "domain=x.test", "--field", "TAGS=a,b"}, 0, "x.test", "a,b", ""},
      {{"--field", "tags=t=1"}, 0, "d.test", "t=1", ""},
      {{"--field", "nope=1"}, 2, "", "", "插件“F”没有字段“nope”；它的字段：domain、tags"},
      {{"--field", "domain"}, 2, "", "", "--field 后面需要 字段=值"},
      // Nothing was saved: tags has no value again.
      {{}, 1, "", "", "缺少配置：tags"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.errHas.empty() ? c.args[1] : c.errHas);
    asked.clear();
    std::vector<std::string> args{"-p", "F"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    args.push_back("http://127.0.0.1/field");
    const auto r = run(args, "");
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
    EXPECT_NE(r.err.find(c.errHas), std::string::npos) << r.err;
    if (c.domain.empty()) {
      EXPECT_TRUE(asked.empty());
      continue;
    }
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked.last().domain, c.domain);
    EXPECT_EQ(asked.last().tags, c.tags);
  }
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.path()))
    EXPECT_EQ(entry.path().filename().string().find("F.ini"), std::string::npos) << entry.path();
}

// --reuse: a long URL the plug-in already shortened takes its link from the history, and
// nothing is sent for it; without --reuse, or after a failure, it is sent again.
TEST_F(ShortenCsvTest, ReuseSendsNothingTheSecondTime) {
  const auto first = run({"-p", "S", "--json", "http://127.0.0.1/r", "http://127.0.0.1/fail"}, "");
  ASSERT_EQ(first.exitCode, 1) << first.err;
  ASSERT_EQ(asked.size(), 2u);
  const std::string link = nlohmann::json::parse(first.out.substr(0, first.out.find('\n')))["short"];

  const struct {
    std::vector<std::string> args;
    std::string input;
    size_t sent;
    std::string outHas;
  } cases[] = {
      {{"--reuse", "--json", "http://127.0.0.1/r"}, "", 0, R"("reused":true)"},
      {{"--reuse", "http://127.0.0.1/r"}, "", 0, link + "\n"},
      {{"--reuse", "--csv"},
       "url,n\nhttp://127.0.0.1/r,1\nhttp://127.0.0.1/new,2\n",
       1,
       "http://127.0.0.1/r,1," + link},
      {{"--reuse", "http://127.0.0.1/fail"}, "", 1, ""},
      {{"--json", "http://127.0.0.1/r"}, "", 1, link},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.back());
    asked.clear();
    std::vector<std::string> args{"-p", "S"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const auto r = run(args, c.input);
    EXPECT_EQ(asked.size(), c.sent) << r.err;
    EXPECT_NE(r.out.find(c.outHas), std::string::npos) << r.out;
  }
  // The reused lines were not recorded again: the history holds the link from its own run only.
  const auto history = test::RunProcess({program, "history"}, {{"PATH", "/usr/bin:/bin"}, {"HOME", dir.path()}});
  size_t times = 0;
  for (size_t at = history.out.find(link); at != std::string::npos; at = history.out.find(link, at + 1)) ++times;
  EXPECT_EQ(times, 2u) << history.out;  // the first run and the last (sent without --reuse)
}

}  // namespace
}  // namespace pindle

#endif
