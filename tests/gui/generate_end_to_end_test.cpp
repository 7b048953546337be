#include <gtest/gtest.h>

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTreeWidget>

#include "app/gui/actions/program_actions.h"
#include "config/settings.h"
#include "generate/shorten_engine.h"
#include "platform/background.h"
#include "tests/gui/gui_test_support.h"
#include "tests/support/httplib_server.h"
#include "tests/support/loopback_shortener.h"
#include "tests/support/plugin_files.h"
#include "text/percent_encoding.h"

namespace pindle::test {
namespace {

// The whole road in the real window: 刷新, paste URLs, choose a plug-in, 生成, copy a row.
TEST(GenerateEndToEnd, RefreshPasteGenerateCopy) {
  LoopbackShortener service;
  ProgramActions actions;
  WindowFixture f(actions);
  // One line after the other, so the service numbers the links in line order.
  Settings::write(kSoftwareSection, kConcurrencyKey, "1");
  WritePlugin(f.dir(), "isgd.json", {.name = "Is.gd", .path = service.base() + "/create.php?format=simple&"});
  WritePlugin(f.dir(), "json.json",
              {.name = "JSON短链",
               .type = "POST",
               .path = service.base() + "/post",
               .data = "url=$Url$",
               .headers = "X-Key: 1",
               .responseType = "1",
               .parameter = "url"});

  auto* refresh = f.find<QPushButton>("插件_刷新");
  f.showPageOf(refresh);
  QTest::mouseClick(refresh, Qt::LeftButton);
  auto* plugins = f.find<QTreeWidget>("插件_插件列表");
  ASSERT_TRUE(SpinUntil([&] { return plugins->topLevelItemCount() == 2; }));
  auto* status = f.find<QStatusBar>("状态条");
  EXPECT_TRUE(SpinUntil([&] { return status->currentMessage().contains(QStringLiteral("共加载 2 个插件")); }) ||
              f.ui().statusText().find("共加载 2 个插件") != Text::npos);

  auto* choice = f.find<QComboBox>("生成_批量接口");
  ASSERT_EQ(choice->count(), 2);
  choice->setCurrentIndex(choice->findText(QStringLiteral("JSON短链")));
  auto* box = f.find<QPlainTextEdit>("生成_长网址");
  box->setPlainText(QStringLiteral("https://127.0.0.1/一\nhttps://127.0.0.1/2\n"));
  auto* generate = f.find<QPushButton>("生成_生成按钮");
  f.showPageOf(generate);
  QTest::mouseClick(generate, Qt::LeftButton);

  auto* results = f.find<QTreeWidget>("生成_结果列表");
  // The event loop keeps turning while the batch runs on its worker.
  ASSERT_TRUE(SpinUntil([&] { return results->topLevelItemCount() == 2; }));
  ASSERT_TRUE(SpinUntil([&] { return f.ui().statusText() == "网址生成完毕!"; }));
  EXPECT_EQ(results->topLevelItem(0)->text(0), QStringLiteral("JSON短链"));
  EXPECT_EQ(results->topLevelItem(0)->text(1).toStdString(), service.shortFor(1));
  EXPECT_EQ(results->topLevelItem(1)->text(1).toStdString(), service.shortFor(2));
  const auto seen = service.requests();
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].body, "url=" + PercentEncode("https://127.0.0.1/一"));
  EXPECT_EQ(seen[0].header("X-Key"), "1");

  // Copy the first link through the result menu's action.
  ClickRow(results, 0);
  actions.copyUrlChosen(f.ui());
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), service.shortFor(1));
  EXPECT_TRUE(WaitForDetached(std::chrono::seconds(10)));
}

// A service with a self-signed certificate: the status names the check box, and ticking it lets
// the next generation through.
TEST(GenerateEndToEnd, RefusedCertificateNamesTheSwitchThatAllowsIt) {
  HttplibLoopbackServer service(SelfSignedCertificate({"127.0.0.1"}), [](httplib::Server& server) {
    server.Get("/create", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("https://s.example/1", "text/plain");
    });
  });
  ProgramActions actions;
  WindowFixture f(actions);
  WritePlugin(f.dir(), "tls.json", {.name = "自签名", .path = service.url("/create?")});
  QTest::mouseClick(f.find<QPushButton>("插件_刷新"), Qt::LeftButton);
  auto* choice = f.find<QComboBox>("生成_批量接口");
  ASSERT_TRUE(SpinUntil([&] { return choice->count() == 1; }));
  choice->setCurrentIndex(0);
  f.find<QPlainTextEdit>("生成_长网址")->setPlainText(QStringLiteral("https://127.0.0.1/long"));
  auto* results = f.find<QTreeWidget>("生成_结果列表");
  auto generate = [&] {
    auto* button = f.find<QPushButton>("生成_生成按钮");
    f.showPageOf(button);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(SpinUntil([] { return WaitForDetached(std::chrono::milliseconds(0)); }));
  };

  generate();
  EXPECT_NE(f.ui().statusText().find("证书验证失败：信任此服务可勾选设定页的“忽略证书错误”"), Text::npos)
      << f.ui().statusText();
  auto* box = f.find<QCheckBox>("设定_忽略证书");
  f.showPageOf(box);
  QTest::mouseClick(box, Qt::LeftButton);
  generate();
  EXPECT_EQ(f.ui().statusText(), "网址生成完毕!");
  ASSERT_EQ(results->topLevelItemCount(), 1);
  EXPECT_EQ(results->topLevelItem(0)->text(1), QStringLiteral("https://s.example/1"));
}

}  // namespace
}  // namespace pindle::test
