#include <gtest/gtest.h>

#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "app/gui/actions/program_actions.h"
#include "app/gui/notice_box.h"
#include "config/app_paths.h"
#include "config/plugin_config_file.h"
#include "platform/background.h"
#include "tests/gui/gui_test_support.h"
#include "tests/support/plugin_files.h"
#include "tests/support/raw_http_server.h"

namespace pindle::test {
namespace {

constexpr const char* kKey = "s3cr3t-K3y";

bool HoldsKey(const std::vector<std::string>& requests) {
  for (const auto& r : requests)
    if (r.find(kKey) != std::string::npos) return true;
  return false;
}

// A key given for 127.0.0.1, its plug-in's file now naming 127.0.0.2: the real window asks before
// 生成 sends anything, and remembers the answer.
class KeyQuestionTest : public ::testing::Test {
 protected:
  RawHttpServer given;
  RawHttpServer moved{"127.0.0.2", given.port()};
  ProgramActions actions;
  WindowFixture f{actions};
  const std::string port = std::to_string(given.port());
  const Text reason =
      "Keyed 的地址已从 127.0.0.1 改为 127.0.0.2，密钥没有发送；确认后再用：pindle config Keyed --trust";

  void SetUp() override {
    for (auto* server : {&given, &moved})
      server->answerOthers({"HTTP/1.1 200 OK\r\nContent-Length: 19\r\n\r\nhttps://s.example/1"});
    WritePlugin(f.dir(), "keyed.json",
                {.name = "Keyed",
                 .path = "http://127.0.0.2:" + port + "/api?",
                 .headers = "Authorization: Bearer $Field:Token$",
                 .fields = R"([{"Name": "Token", "Label": "令牌", "Secret": true}])"});
    // Stored as the command line stores it without a secret store, given for 127.0.0.1.
    ASSERT_EQ(PluginConfigFile(Paths().deployDir, "Keyed").write("Token", kKey, /*ownerOnly=*/true), "");
    ASSERT_EQ(
        PluginConfigFile(Paths().deployDir, "Keyed", kSecretOriginsSection).write("Token", "http://127.0.0.1:" + port),
        "");
    QTest::mouseClick(f.find<QPushButton>("插件_刷新"), Qt::LeftButton);
    auto* choice = f.find<QComboBox>("生成_批量接口");
    ASSERT_TRUE(SpinUntil([&] { return choice->count() == 1; }));
    choice->setCurrentIndex(0);
    f.find<QPlainTextEdit>("生成_长网址")->setPlainText(QStringLiteral("https://127.0.0.1/long"));
  }
  void TearDown() override { NoticeBox::withdrawNextAnswer(); }

  // 生成 with the question's answer set ahead; whether the question was asked.
  bool generate(int answer) {
    NoticeBox::setNextAnswer(answer);
    auto* button = f.find<QPushButton>("生成_生成按钮");
    f.showPageOf(button);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(SpinUntil([] { return WaitForDetached(std::chrono::milliseconds(0)); }));
    return !NoticeBox::withdrawNextAnswer();
  }
};

TEST_F(KeyQuestionTest, CancelSendsNothingAndIsNotAskedAgain) {
  EXPECT_TRUE(generate(kNoticeCancel));
  EXPECT_NE(f.ui().statusText().find(reason), Text::npos) << f.ui().statusText();
  EXPECT_TRUE(moved.requests().empty());
  // Asked once: the next 生成 fails the same way without a question.
  EXPECT_FALSE(generate(kNoticeOk));
  EXPECT_NE(f.ui().statusText().find(reason), Text::npos) << f.ui().statusText();
  EXPECT_TRUE(moved.requests().empty());
  EXPECT_TRUE(given.requests().empty());
}

TEST_F(KeyQuestionTest, ConfirmBindsTheKeyToTheNewAddress) {
  EXPECT_TRUE(generate(kNoticeOk));
  EXPECT_EQ(f.ui().statusText(), "网址生成完毕!");
  EXPECT_EQ(f.find<QTreeWidget>("生成_结果列表")->topLevelItem(0)->text(1), QStringLiteral("https://s.example/1"));
  EXPECT_TRUE(HoldsKey(moved.requests()));
  EXPECT_EQ(PluginConfigFile(Paths().deployDir, "Keyed", kSecretOriginsSection).read("Token"),
            "http://127.0.0.2:" + port);
  // Bound there now: no question.
  EXPECT_FALSE(generate(kNoticeOk));
  EXPECT_EQ(moved.requests().size(), 2u);
}

}  // namespace
}  // namespace pindle::test
