#include <gtest/gtest.h>

#include "tests/secrets/secrets_test_session.h"
#include "tests/support/plugin_files.h"
#include "tests/support/process.h"
#include "tests/support/program_copy.h"
#include "tests/support/raw_http_server.h"
#include "tests/support/temp_dir.h"

#ifdef PINDLE_BINARY

namespace pindle {
namespace {

using test::WithKeyring;

// The program keeps a key in the desktop's secret store, uses it and removes it, each through
// the desktop module it loads for the store.
TEST_F(WithKeyring, TheProgramReachesTheStoreThroughItsDesktopModule) {
  test::TempDir dir;
  test::RawHttpServer service;
  service.answerOthers({"HTTP/1.1 200 OK\r\nContent-Length: 19\r\n\r\nhttps://s.example/1"});
  const std::string program = dir.file("pindle");
  test::CopyProgram(PINDLE_BINARY, program);
  dir.write("Setting.ini", "");
  test::WritePlugin(dir, "keyed.json",
                    {.name = "带钥匙",
                     .path = service.url("/keyed?"),
                     .data = "k=$Field:Key$&url=$Url$",
                     .encoding = "UTF-8",
                     .fields = R"([{"Name": "Key", "Label": "API 密钥", "Secret": true}])"});
  const struct {
    std::vector<std::string> args;
    int exitCode;
    std::string outHas;
  } steps[] = {
      {{"config", "带钥匙", "Key=s3cr3t"}, 0, "密钥服务"},
      {{"shorten", "-p", "带钥匙", "http://127.0.0.1/long"}, 0, "https://s.example/1"},
      {{"config", "带钥匙", "--unset", "Key"}, 0, "已删除"},
      {{"config", "带钥匙"}, 0, "未设置"},
  };
  for (const auto& s : steps) {
    SCOPED_TRACE(s.args[0] + " " + s.args.back());
    std::vector<std::string> argv = s.args;
    argv.insert(argv.begin(), program);
    const test::ProcessResult r = test::RunProcess(argv, test::Session().environment());
    EXPECT_EQ(r.exitCode, s.exitCode) << r.err;
    EXPECT_NE(r.out.find(s.outHas), std::string::npos) << r.out << r.err;
  }
  EXPECT_NE(service.lastRequest().find("k=s3cr3t"), std::string::npos) << service.lastRequest();
  EXPECT_EQ(dir.read("Setting.ini").find("s3cr3t"), std::string::npos);
}

}  // namespace
}  // namespace pindle

#endif
