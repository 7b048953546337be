#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "tests/support/plugin_files.h"
#include "tests/support/process.h"
#include "tests/support/program_copy.h"
#include "tests/support/raw_http_server.h"

#ifdef PINDLE_BINARY

namespace pindle {
namespace {

constexpr const char* kKey = "s3cr3t-K3y";
constexpr const char* kAnswer = "HTTP/1.1 200 OK\r\nContent-Length: 19\r\n\r\nhttps://s.example/1";

// A key stored for a plug-in on 127.0.0.1 whose file then names 127.0.0.2 (same port), as a
// pull, an update, an import over it or an edit may do: nothing goes there until --trust.
class KeyBindingCommandTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  test::RawHttpServer given;
  test::RawHttpServer moved{"127.0.0.2", given.port()};
  std::string program;

  void SetUp() override {
    for (auto* server : {&given, &moved}) server->answerOthers({kAnswer});
    program = dir.file("pindle");
    test::CopyProgram(PINDLE_BINARY, program);
    writeKeyed("127.0.0.1");
    test::WritePlugin(dir, "b-free.json", {.name = "Free", .path = given.url("/free?")});
    dir.write("Setting.ini", "");
  }

  void writeKeyed(const std::string& host) {
    test::WritePlugin(dir, "a-keyed.json",
                      {.name = "Keyed",
                       .path = "http://" + host + ":" + std::to_string(given.port()) + "/api?",
                       .headers = "Authorization: Bearer $Field:Token$",
                       .fields = R"([{"Name": "Token", "Label": "令牌", "Secret": true}])"});
  }

  // No session bus: no secret store, so the key goes to the plain file.
  test::ProcessResult run(std::vector<std::string> args, const std::string& input = "") {
    args.insert(args.begin(), program);
    return test::RunProcess(args, {{"PATH", "/usr/bin:/bin"}, {"HOME", dir.path()}}, input);
  }

  static bool HoldsKey(const std::vector<std::string>& requests) {
    for (const auto& r : requests)
      if (r.find(kKey) != std::string::npos) return true;
    return false;
  }
};

TEST_F(KeyBindingCommandTest, MovedAddressSendsNothingUntilTrusted) {
  const std::string port = std::to_string(given.port());
  const std::string reason =
      "Keyed 的地址已从 127.0.0.1 改为 127.0.0.2，密钥没有发送；确认后再用：pindle config Keyed --trust";
  auto stored = run({"config", "Keyed", std::string("Token=") + kKey, "--plain"});
  EXPECT_EQ(stored.exitCode, 0) << stored.err;
  EXPECT_NE(stored.out.find("Keyed 的密钥只发往 http://127.0.0.1:" + port), std::string::npos) << stored.out;
  EXPECT_NE(dir.read("Deploy/Keyed.ini").find("http://127.0.0.1:" + port), std::string::npos);
  auto listed = run({"config", "Keyed"});
  EXPECT_NE(listed.out.find("只发往 http://127.0.0.1:" + port), std::string::npos) << listed.out;

  auto sent = run({"shorten", "-p", "Keyed", "http://a/1"});
  EXPECT_EQ(sent.exitCode, 0) << sent.err;
  EXPECT_TRUE(HoldsKey(given.requests()));

  // The file now names 127.0.0.2.
  writeKeyed("127.0.0.2");
  auto refused = run({"shorten", "-p", "Keyed", "http://a/2"});
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_NE(refused.err.find(reason), std::string::npos) << refused.err;
  EXPECT_TRUE(moved.requests().empty());
  // The lines go to the fallback; without -p the plug-in is passed over like one without its key.
  auto fallback = run({"shorten", "-p", "Keyed,Free"}, "http://a/3\nhttp://a/4\n");
  EXPECT_EQ(fallback.exitCode, 0) << fallback.err;
  EXPECT_EQ(fallback.out, "https://s.example/1\nhttps://s.example/1\n");
  auto unnamed = run({"shorten", "http://a/5"});
  EXPECT_EQ(unnamed.exitCode, 0) << unnamed.err;
  EXPECT_TRUE(moved.requests().empty());
  // pindle test and pindle check say the same and send nothing either.
  auto traced = run({"test", "-p", "Keyed", "http://a/6"});
  EXPECT_NE((traced.out + traced.err).find(reason), std::string::npos) << traced.out << traced.err;
  auto checked = run({"check", "-p", "Keyed"});
  EXPECT_NE((checked.out + checked.err).find("密钥没有发送"), std::string::npos) << checked.out << checked.err;
  EXPECT_TRUE(moved.requests().empty());

  auto trusted = run({"config", "Keyed", "--trust"});
  EXPECT_EQ(trusted.exitCode, 0) << trusted.err;
  EXPECT_EQ(trusted.out, "已确认：Keyed 的密钥只发往 http://127.0.0.2:" + port + "\n");
  auto after = run({"shorten", "-p", "Keyed", "http://a/7"});
  EXPECT_EQ(after.exitCode, 0) << after.err;
  EXPECT_TRUE(HoldsKey(moved.requests()));
  // And the old address no longer gets it.
  writeKeyed("127.0.0.1");
  given.clearRequests();
  EXPECT_EQ(run({"shorten", "-p", "Keyed", "http://a/8"}).exitCode, 1);
  EXPECT_FALSE(HoldsKey(given.requests()));
  // Nothing secret is ever printed.
  for (const auto& r : {stored, listed, sent, refused, fallback, traced, checked, trusted, after})
    EXPECT_EQ((r.out + r.err).find(kKey), std::string::npos);
}

// A key stored before origins were recorded is bound to the origin of its first use.
TEST_F(KeyBindingCommandTest, OldKeyIsBoundWhereItIsFirstUsed) {
  dir.write("Deploy/Keyed.ini", std::string("[") + Utf8ToGbk("配置") + "]\r\nToken=" + kKey + "\r\n");
  std::filesystem::permissions(dir.file("Deploy/Keyed.ini"),
                               std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  EXPECT_EQ(run({"shorten", "-p", "Keyed", "http://a/1"}).exitCode, 0);
  EXPECT_TRUE(HoldsKey(given.requests()));
  writeKeyed("127.0.0.2");
  auto refused = run({"shorten", "-p", "Keyed", "http://a/2"});
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_NE(refused.err.find("Keyed 的地址已从 127.0.0.1 改为 127.0.0.2"), std::string::npos) << refused.err;
  EXPECT_TRUE(moved.requests().empty());
}

// A server's address changed with pindle config is the user's own word: the keys go with it.
TEST_F(KeyBindingCommandTest, ServerSetByTheUserTakesTheKeyAlong) {
  test::WritePlugin(dir, "c-hosted.json",
                    {.name = "Hosted",
                     .path = "$Field:Server$/api?",
                     .headers = "Authorization: Bearer $Field:Token$",
                     .fields = R"([{"Name": "Server"}, {"Name": "Token", "Secret": true}])"});
  const std::string port = std::to_string(given.port());
  auto stored = run({"config", "Hosted", "Server=http://127.0.0.1:" + port, std::string("Token=") + kKey, "--plain"});
  EXPECT_NE(stored.out.find("Hosted 的密钥只发往 http://127.0.0.1:" + port), std::string::npos) << stored.out;
  auto serverMoved = run({"config", "Hosted", "Server=http://127.0.0.2:" + port});
  EXPECT_NE(serverMoved.out.find("Hosted 的密钥只发往 http://127.0.0.2:" + port), std::string::npos) << serverMoved.out;
  EXPECT_EQ(run({"shorten", "-p", "Hosted", "http://a/1"}).exitCode, 0);
  EXPECT_TRUE(HoldsKey(moved.requests()));
}

// An imported uploader's key is bound to the address the uploader sends it to.
TEST_F(KeyBindingCommandTest, ImportedKeyIsBoundToTheUploadersAddress) {
  dir.write("up.sxcu", R"({"Name":"Uploaded","RequestMethod":"GET","RequestURL":")" + given.url("/api") +
                           R"(","Parameters":{"url":"{input}"},"Headers":{"X-API-Key":")" + kKey + R"("}})");
  const auto imported = run({"import", dir.file("up.sxcu"), "--plain"});
  EXPECT_EQ(imported.exitCode, 0) << imported.out << imported.err;
  EXPECT_NE(imported.out.find("Uploaded 的密钥只发往 http://127.0.0.1:" + std::to_string(given.port())),
            std::string::npos)
      << imported.out;
  EXPECT_EQ((imported.out + imported.err).find(kKey), std::string::npos);
}

}  // namespace
}  // namespace pindle

#endif
