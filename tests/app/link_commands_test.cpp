#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>

#include "tests/support/link_services.h"
#include "tests/support/process.h"
#include "tests/support/program_copy.h"
#include "tests/support/temp_dir.h"

namespace pindle {
namespace {

#ifdef PINDLE_BINARY

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class LinkCommandsTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  test::LinkServices services;
  std::string program;
  void SetUp() override {
    program = dir.file("pindle");
    test::CopyProgram(PINDLE_BINARY, program);
    dir.write("Setting.ini", "");
    test::RelocatedStarter("kutt.json", services.base(), dir);
    test::RelocatedStarter("yourls.json", services.base(), dir);
    ASSERT_EQ(run({"config", "Kutt", std::string("Key=") + test::kLinkServiceKey, "--plain"}).exitCode, 0);
    ASSERT_EQ(run({"config", "YOURLS", std::string("Signature=") + test::kLinkServiceKey, "--plain"}).exitCode, 0);
  }
  test::ProcessResult run(std::vector<std::string> args, const std::string& input = "") {
    args.insert(args.begin(), program);
    return test::RunProcess(args, {{"PATH", "/usr/bin:/bin"}, {"HOME", dir.path()}}, input);
  }
  size_t deletesSent() const {
    size_t n = 0;
    for (const std::string& r : services.requests()) n += r.rfind("DELETE ", 0) == 0;
    return n;
  }
};

TEST_F(LinkCommandsTest, StatsListDeleteAndTheHistory) {
  auto r = run({"shorten", "-p", "Kutt", "http://127.0.0.1/long/1"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string link = services.base() + "/c00000";
  ASSERT_EQ(r.out, link + "\n");
  services.visit("c00000", 2);
  const std::string unknown = services.base() + "/zz";

  // The plug-in and the service's id come from the history.
  r = run({"stats", link});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, link + "\t2\n");
  r = run({"stats", "--json", "-p", "Kutt"}, link + "\n" + unknown + "\n");
  EXPECT_EQ(r.exitCode, 1);
  const auto lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 2u) << r.out;
  EXPECT_EQ(nlohmann::json::parse(lines[0]),
            nlohmann::json::parse(R"({"link":")" + link + R"(","clicks":2,"plugin":"Kutt","ok":true})"));
  const auto failed = nlohmann::json::parse(lines[1]);
  EXPECT_FALSE(failed["ok"].get<bool>());
  EXPECT_TRUE(failed["clicks"].is_null());
  EXPECT_NE(failed["error"].get<std::string>().find("不知道这个短网址在服务端的编号"), std::string::npos);
  // A link the history does not know, without -p: the command line says what to add.
  r = run({"stats", unknown});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, unknown + "：历史记录里没有生成这个短网址的插件（请用 -p 指定）\n");

  r = run({"history", "--json"});
  const auto row = nlohmann::json::parse(Lines(r.out).at(0));
  EXPECT_EQ(row["clicks"], 2);
  EXPECT_TRUE(row["clicks_time"].is_string());

  // Every page, and the ones the history lacks saved.
  services.seed(60);
  r = run({"links", "-p", "Kutt", "--save"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Lines(r.out).size(), 61u);
  EXPECT_EQ(Lines(r.out).at(0), link + "\thttp://127.0.0.1/long/1\t2");
  r = run({"links", "-p", "Kutt", "--json"});
  EXPECT_EQ(nlohmann::json::parse(Lines(r.out).at(1))["short"], services.base() + "/c00001");
  r = run({"history", "--json", "--limit", "0"});
  EXPECT_EQ(Lines(r.out).size(), 61u);
  EXPECT_EQ(nlohmann::json::parse(Lines(r.out).at(0))["state"], "服务端");

  // A found link has its id now.
  r = run({"stats", services.base() + "/c00001"});
  EXPECT_EQ(r.out, services.base() + "/c00001\t0\n") << r.err;

  // No --yes and no terminal: nothing deleted.
  r = run({"delete", link});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(deletesSent(), 0u);
  r = run({"delete", "--yes", link});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(deletesSent(), 1u);
  r = run({"history", "--json", "--search", "long/1"});
  EXPECT_EQ(nlohmann::json::parse(Lines(r.out).at(0))["state"], "已删除");
  r = run({"stats", link});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("HTTP 500：Link could not be found."), std::string::npos) << r.err;
}

TEST_F(LinkCommandsTest, AServiceWithoutDeleteIsSentNothing) {
  auto r = run({"shorten", "-p", "YOURLS", "http://127.0.0.1/long/2"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string link = Lines(r.out).at(0);
  const size_t before = services.requests().size();
  r = run({"delete", "--yes", link});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("YOURLS 插件不能删除短网址（服务没有提供删除接口）"), std::string::npos) << r.err;
  EXPECT_EQ(services.requests().size(), before);
  r = run({"links", "-p", "YOURLS"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("YOURLS 插件不能列出短网址"), std::string::npos) << r.err;
  services.visit("c00000", 5);
  r = run({"stats", link});
  EXPECT_EQ(r.out, link + "\t5\n") << r.err;
}

#endif

}  // namespace
}  // namespace pindle
