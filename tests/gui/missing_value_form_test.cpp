#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "app/gui/actions/program_actions.h"
#include "app/gui/plugin_fields_dialog.h"
#include "config/fallback_plugins.h"
#include "config/settings.h"
#include "platform/background.h"
#include "tests/gui/gui_test_support.h"
#include "tests/support/plugin_files.h"
#include "tests/support/raw_http_server.h"

namespace pindle::test {
namespace {

// 生成 with a keyed plug-in whose key was never set: its 修改配置 form opens before anything is sent.
TEST(MissingValueForm, OpensOnGenerateAndTheBatchGoesOnWithWhatWasStored) {
  const struct {
    const char* name;
    bool fallback;  // a keyless plug-in set as 备用插件, which can take the lines
    Text typed;     // what goes into the form; empty: nothing, 取消
    bool formShown;
    Text row;  // 接口 of the result row
    bool keySent;
  } cases[] = {
      {"确定 stores the key and the batch sends it", false, "t0ken-1", true, "Keyed", true},
      {"取消 sends nothing", false, "", true, "Keyed", false},
      {"a fallback takes the lines: no form", true, "", false, "Free", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RawHttpServer service;
    service.answerOthers({"HTTP/1.1 200 OK\r\nContent-Length: 19\r\n\r\nhttps://s.example/1"});
    ProgramActions actions;
    WindowFixture f(actions);
    WritePlugin(f.dir(), "keyed.json",
                {.name = "Keyed",
                 .path = service.url("/keyed?"),
                 .headers = "Authorization: Bearer $Field:Token$",
                 .fields = R"([{"Name": "Token", "Label": "令牌", "Secret": true}])"});
    WritePlugin(f.dir(), "free.json", {.name = "Free", .path = service.url("/free?")});
    Settings::write(kSoftwareSection, kFallbackPluginsKey, c.fallback ? "Free" : "");
    QTest::mouseClick(f.find<QPushButton>("插件_刷新"), Qt::LeftButton);
    auto* choice = f.find<QComboBox>("生成_批量接口");
    // Waiting for its key, and marked so (the marks follow the names a moment later); the mark is
    // no part of the name used.
    ASSERT_TRUE(SpinUntil([&] { return choice->findText(QStringLiteral("Keyed（待配置）")) >= 0; }));
    ASSERT_EQ(choice->count(), 2);
    const int keyed = choice->findText(QStringLiteral("Keyed（待配置）"));
    choice->setCurrentIndex(keyed);
    EXPECT_EQ(f.ui().pluginChoice().currentText(), "Keyed");
    f.find<QPlainTextEdit>("生成_长网址")->setPlainText(QStringLiteral("https://127.0.0.1/long"));

    // The form is modal: it is filled in from the event loop it runs, once it shows.
    QString title, reason;
    QTimer answer;
    answer.setInterval(10);
    QObject::connect(&answer, &QTimer::timeout, [&] {
      auto* form = qobject_cast<PluginFieldsDialog*>(QApplication::activeModalWidget());
      if (!form) return;
      answer.stop();
      title = form->windowTitle();
      reason = form->findChild<QLabel*>(QStringLiteral("配置原因"))->text();
      if (c.typed.empty()) {
        form->reject();
        return;
      }
      form->confirmPlain = [](const Text&, const Text&) { return true; };  // no secret store here
      form->findChild<QLineEdit*>(QStringLiteral("Token"))->setText(QString::fromStdString(c.typed));
      QTest::mouseClick(form->findChild<QPushButton*>(QStringLiteral("确定")), Qt::LeftButton);
    });
    answer.start();
    auto* button = f.find<QPushButton>("生成_生成按钮");
    f.showPageOf(button);
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_TRUE(SpinUntil([] { return WaitForDetached(std::chrono::milliseconds(0)); }));

    EXPECT_EQ(!title.isEmpty(), c.formShown);
    if (c.formShown) {
      EXPECT_EQ(title, QStringLiteral("修改配置 - Keyed"));
      EXPECT_EQ(reason, QStringLiteral("缺少配置：令牌（在插件页右键该插件，选“修改配置”）"));
    }
    auto* results = f.find<QTreeWidget>("生成_结果列表");
    ASSERT_EQ(results->topLevelItemCount(), 1);
    EXPECT_EQ(results->topLevelItem(0)->text(0).toStdString(), c.row);
    bool keySent = false, keyedAsked = false;
    for (const std::string& r : service.requests()) {
      keyedAsked = keyedAsked || r.starts_with("GET /keyed");
      keySent = keySent || r.find("Authorization: Bearer " + c.typed + "\r\n") != std::string::npos;
    }
    EXPECT_EQ(keySent, c.keySent);
    // Once its key is stored the mark goes.
    EXPECT_EQ(choice->findText(QStringLiteral("Keyed（待配置）")) < 0, c.keySent);
    EXPECT_EQ(keyedAsked, c.keySent);
    if (!c.keySent && !c.fallback) {
      EXPECT_NE(f.ui().statusText().find("缺少配置：令牌（在插件页右键该插件，选“修改配置”）"), Text::npos)
          << f.ui().statusText();
    }
  }
}

}  // namespace
}  // namespace pindle::test
