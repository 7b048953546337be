#include <gtest/gtest.h>

#include "config/app_paths.h"
#include "generate/shorten_engine.h"
#include "generate/shorten_trace.h"
#include "secrets/field_store.h"
#include "secrets/plugin_inputs.h"
#include "tests/secrets/secrets_test_session.h"
#include "tests/support/plugin_files.h"
#include "tests/support/raw_http_server.h"

namespace pindle {
namespace {

// A key kept in a real Secret Service reaches the request it belongs in, and nothing that is
// shown: the link the service echoes it in, the trace.
TEST(StoredInputsWithKeyring, TheKeyGoesOutAndIsNeverShown) {
  if (test::StoreMode() != test::SecretServiceSession::Store::Keyring) GTEST_SKIP() << "written for the keyring";
  test::TempDir dir;
  SetPaths(AppPaths::FromProgramDirectory(dir.path()));
  test::RawHttpServer server;
  server.answerOthers(
      {"HTTP/1.1 200 OK\r\nContent-Length: 26\r\n\r\nhttps://s/?k=k3y-in-ring/1", test::RawReply::Close});
  const std::string file = test::WritePlugin(
      dir, "k.json",
      {.name = "带钥匙",
       .path = server.url("/k?"),
       .data = "url=$Url$",
       .headers = "X-API-Key: $Field:Key$",
       .encoding = "UTF-8",
       .fields = R"([{"Name": "Key", "Label": "API 密钥", "Secret": true}, {"Name": "Team", "Default": "t"}])"});
  const PluginDefinition plugin = PluginDefinition::FromFile(file);
  EXPECT_FALSE(HasEveryUsedField(plugin, StoredPluginInputs(plugin, Paths().deployDir)));
  const SecretService secrets;
  FieldStore store(Paths().deployDir, "带钥匙", plugin.fields(), secrets);
  ASSERT_TRUE(store.set("Key", "k3y-in-ring").ok);

  const ShortenInputs inputs = StoredPluginInputs(file, Paths().deployDir);
  EXPECT_EQ(inputs.fieldValues, (std::map<Text, Text>{{"Key", "k3y-in-ring"}, {"Team", "t"}}));
  EXPECT_EQ(inputs.secrets, std::vector<Text>{"k3y-in-ring"});
  EXPECT_TRUE(HasEveryUsedField(plugin, inputs));
  JsonDocument document;
  Text failure;
  EXPECT_EQ(ShortenOne(file, "https://a/", document, &failure, inputs), "https://s/?k=••••/1");
  EXPECT_NE(server.lastRequest().find("\r\nX-API-Key: k3y-in-ring\r\n"), std::string::npos) << server.lastRequest();
  const Text trace = FormatTrace(TraceShorten(file, "https://a/", document, inputs));
  EXPECT_EQ(trace.find("k3y-in-ring"), Text::npos) << trace;
  EXPECT_TRUE(store.unset("Key").ok);
  SetPaths(AppPaths{});
}

}  // namespace
}  // namespace pindle
