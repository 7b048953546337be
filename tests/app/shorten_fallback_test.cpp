#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>

#include "platform/codepage.h"
#include "tests/support/echo_service.h"
#include "tests/support/httplib_server.h"
#include "tests/support/loopback_socket.h"
#include "tests/support/plugin_files.h"
#include "tests/support/process.h"
#include "tests/support/program_copy.h"

#ifdef PINDLE_BINARY

namespace pindle {
namespace {

// `shorten -p A,B`: A is a closed port, B answers, C answers what is no link.
class ShortenFallbackTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  test::EchoService b;
  std::string program;

  void SetUp() override {
    program = dir.file("pindle");
    test::CopyProgram(PINDLE_BINARY, program);
    const std::string dead = "http://127.0.0.1:" + std::to_string(test::ClosedLoopbackPort());
    test::WritePlugin(dir, "a.json", {.name = "A", .path = dead + "/a?"});
    test::WritePlugin(dir, "b.json", {.name = "B", .path = b.url("/b?")});
    test::WritePlugin(dir, "c.json", {.name = "C", .path = dead + "/c?", .responseType = "1", .parameter = "u"});
  }
  test::ProcessResult run(std::vector<std::string> args, const std::string& input = "") {
    args.insert(args.begin(), program);
    return test::RunProcess(args, {{"PATH", "/usr/bin:/bin"}, {"HOME", dir.path()}}, input);
  }
};

TEST_F(ShortenFallbackTest, LinesGoOnToTheNextPlugin) {
  const std::string l1 = test::EchoService::echo("/b?url=%75%31"), l2 = test::EchoService::echo("/b?url=%75%32"),
                    l3 = test::EchoService::echo("/b?url=%75%33");
  const struct {
    std::vector<std::string> args;
    int exitCode;
    std::string out;
    std::string errHas;
  } cases[] = {
      {{"-p", "A,B", "-j", "4"}, 0, l1 + "\n" + l2 + "\n" + l3 + "\n", ""},
      {{"-p", "a,b", "--tsv"}, 0, "u1\t" + l1 + "\tB\nu2\t" + l2 + "\tB\nu3\t" + l3 + "\tB\n", ""},
      // All failing: each line's last plug-in and its reason.
      {{"-p", "A,C", "--tsv"},
       1,
       "u1\tJSON解析失败\tC\nu2\tJSON解析失败\tC\nu3\tJSON解析失败\tC\n",
       "第 3 行（u3）失败：无法连接服务器"},
      {{"-p", "A,无此插件"}, 2, "", "没有已启用的插件叫“无此插件”"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args{"shorten"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const auto r = run(args, "u1\nu2\nu3\n");
    SCOPED_TRACE(args[2]);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
    EXPECT_EQ(r.out, c.out);
    EXPECT_NE(r.err.find(c.errHas), std::string::npos) << r.err;
  }

  const auto r = run({"shorten", "-p", "A,B", "--json", "u1"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const auto line = nlohmann::json::parse(r.out);
  EXPECT_EQ(line["plugin"], "B");
  EXPECT_EQ(line["short"], l1);
  // Every attempt is in the history, with its reason.
  const auto h = run({"history"});
  EXPECT_NE(h.out.find("\tA\t"), std::string::npos) << h.out;
  EXPECT_NE(h.out.find("无法连接服务器"), std::string::npos) << h.out;
}

// L asks to wait 27 hours: every line goes to B at once, in order, although B's service lives on
// the same host.
TEST_F(ShortenFallbackTest, ALongWaitHandsEveryLineToTheNext) {
  test::HttplibLoopbackServer shared([](httplib::Server& s) {
    s.Get("/l", [](const httplib::Request&, httplib::Response& res) {
      res.status = 429;
      res.set_header("Retry-After", "99999");
    });
    s.Get("/b", [](const httplib::Request& req, httplib::Response& res) {
      res.set_content(test::EchoService::echo(req.target), "text/plain");
    });
  });
  test::WritePlugin(dir, "l.json", {.name = "L", .path = shared.url("/l?")});
  test::WritePlugin(dir, "b.json", {.name = "B", .path = shared.url("/b?")});
  std::string input, wanted;
  for (int n = 1; n <= 5; ++n) {
    input += "u" + std::to_string(n) + "\n";
    wanted += test::EchoService::echo("/b?url=%75%3" + std::to_string(n)) + "\n";
  }
  const auto r = run({"shorten", "-p", "L,B"}, input);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, wanted);
}

}  // namespace
}  // namespace pindle

#endif
