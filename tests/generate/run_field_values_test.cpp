#include "generate/run_field_values.h"

#include <gtest/gtest.h>

namespace pindle {
namespace {

TEST(RunFieldValues, KeysMatchThePluginsFields) {
  const std::vector<PluginField> fields{{"domain", "", false, "d.test"}, {"ApiKey", "密钥", true, ""}};
  const struct {
    std::vector<std::pair<Text, Text>> given;
    std::map<Text, Text> values;
    Text problem;
  } cases[] = {
      {{{"domain", "x.test"}, {"apikey", "k"}}, {{"domain", "x.test"}, {"ApiKey", "k"}}, ""},
      {{{"domain", "a"}, {"DOMAIN", "b"}}, {{"domain", "b"}}, ""},  // the last one given
      {{{"domain", ""}}, {{"domain", ""}}, ""},
      {{{"tags", "a"}}, {}, "插件“P”没有字段“tags”；它的字段：domain、ApiKey"},
      {{{"domain", "a\nb"}}, {}, "字段“domain”的值不能用：值里有换行"},
  };
  for (const auto& c : cases) {
    const RunFieldValues run = MatchRunFieldValues("P", fields, c.given);
    EXPECT_EQ(run.problem, c.problem);
    if (c.problem.empty()) {
      EXPECT_EQ(run.values, c.values);
    }
  }
  EXPECT_EQ(MatchRunFieldValues("Q", {}, {{"x", "1"}}).problem, "插件“Q”没有字段“x”；它没有可设的字段");
}

TEST(RunFieldValues, TakeThePlaceOfTheStoredOnes) {
  const std::vector<PluginField> fields{{"domain", "", false, ""}, {"key", "", true, ""}};
  ShortenInputs stored;
  stored.fieldValues = {{"domain", "stored.test"}, {"key", "old"}};
  stored.fieldProblems = {{"key", "密钥库打不开"}};
  stored.secretOrigins = {{"key", {"https://127.0.0.1:443"}}};
  stored.secrets = {"old"};
  const ShortenInputs run = WithRunFieldValues(stored, fields, {{"domain", "x.test"}, {"key", "new"}});
  EXPECT_EQ(run.fieldValues, (std::map<Text, Text>{{"domain", "x.test"}, {"key", "new"}}));
  EXPECT_TRUE(run.fieldProblems.empty());
  EXPECT_TRUE(run.secretOrigins.empty());
  EXPECT_EQ(run.secrets, (std::vector<Text>{"old", "new"}));
}

}  // namespace
}  // namespace pindle
