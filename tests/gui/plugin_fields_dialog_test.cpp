#include "app/gui/plugin_fields_dialog.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "config/plugin_config_file.h"
#include "tests/support/temp_dir.h"

namespace pindle::test {
namespace {

// The form shows what is stored, saves what changed on 确定 and removes a value that was emptied.
TEST(PluginFieldsDialog, ShowsSavesAndRemovesValues) {
  TempDir dir;
  const Text deploy = dir.file("Deploy/");
  const std::vector<PluginField> fields = {{"Server", "服务器地址", false, "https://d.example"}, {"Team", "团队"}};
  struct Step {
    const char* box;
    QString typed;
    std::optional<Text> stored;  // Team in Deploy/P.ini afterwards
    QString shownAfter;          // in the Team box of a dialog opened afterwards
  } steps[] = {
      {"Team", QStringLiteral("队 1"), "队 1", QStringLiteral("队 1")},
      {"Server", QStringLiteral("https://s.example"), "队 1", QStringLiteral("队 1")},
      {"Team", QString(), std::nullopt, QString()},
  };
  for (const auto& s : steps) {
    PluginFieldsDialog dialog(deploy, "P", fields);
    auto* box = dialog.findChild<QLineEdit*>(QString::fromUtf8(s.box));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->echoMode(), QLineEdit::Normal);
    box->setText(s.typed);
    QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("确定")), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted)
        << dialog.findChild<QLabel*>(QStringLiteral("配置消息"))->text().toStdString();
    EXPECT_EQ(PluginConfigFile(deploy, "P").read("Team"), s.stored) << s.box;
    PluginFieldsDialog again(deploy, "P", fields);
    EXPECT_EQ(again.findChild<QLineEdit*>(QStringLiteral("Team"))->text(), s.shownAfter);
  }
  EXPECT_EQ(PluginConfigFile(deploy, "P").read("Server"), "https://s.example");
  // A value that cannot be stored keeps the dialog open and says why.
  PluginFieldsDialog dialog(deploy, "P", fields);
  dialog.findChild<QLineEdit*>(QStringLiteral("Team"))->setText(QStringLiteral("表情😀"));
  EXPECT_FALSE(dialog.store());
  EXPECT_FALSE(dialog.findChild<QLabel*>(QStringLiteral("配置消息"))->text().isEmpty());
}

}  // namespace
}  // namespace pindle::test
