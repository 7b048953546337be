#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>

#include "config/app_paths.h"
#include "config/fallback_plugins.h"
#include "config/settings.h"
#include "generate/batch_runner.h"
#include "generate/generate_command.h"
#include "generate/shorten_engine.h"
#include "history/history_store.h"
#include "platform/background.h"
#include "plugins/plugin_rows.h"
#include "tests/support/echo_service.h"
#include "tests/support/httplib_server.h"
#include "tests/support/loopback_socket.h"
#include "tests/support/plugin_files.h"
#include "tests/support/raw_http_server.h"
#include "tests/support/test_certificates.h"

namespace pindle {
namespace {

using namespace std::chrono_literals;

TEST(FallbackSetting, NamesBetweenBars) {
  const struct {
    Text stored;
    std::vector<Text> names;
    Text joined;  // the names written back
  } cases[] = {
      {"", {}, ""},
      {"B", {"B"}, "B"},
      {"B|C短链", {"B", "C短链"}, "B|C短链"},
      {"|B||C|", {"B", "C"}, "B|C"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseFallbackPlugins(c.stored), c.names) << c.stored;
    EXPECT_EQ(JoinFallbackPlugins(c.names), c.joined) << c.stored;
  }
  // A name with a bar would come back as two names.
  EXPECT_EQ(JoinFallbackPlugins({"a|b", "C"}), "C");
}

TEST(FallbackSetting, WhatRefusesTheBatch) {
  const struct {
    FailureKind failure;
    bool refuses;
  } cases[] = {
      {FailureKind::None, false},       {FailureKind::NoAnswer, false}, {FailureKind::Http, false},
      {FailureKind::NoLink, false},     {FailureKind::NotSent, false},  {FailureKind::PluginGone, false},
      {FailureKind::LongWait, false},  // the host's own refusal covers it
      {FailureKind::Unreadable, false}, {FailureKind::Rejected, false}, {FailureKind::MissingValue, true},
      {FailureKind::Certificate, true}, {FailureKind::KeyMoved, true},
  };
  for (const auto& c : cases) EXPECT_EQ(RefusesTheBatch(c.failure), c.refuses) << static_cast<int>(c.failure);
}

}  // namespace
}  // namespace pindle
