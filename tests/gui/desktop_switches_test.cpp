#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QLibraryInfo>
#include <QPushButton>
#include <QTranslator>

#include "app/gui/color_scheme.h"
#include "app/gui/desktop_integration.h"
#include "app/gui/shortcut_keys.h"
#include "app/gui/toolkit_translations.h"
#include "config/settings.h"
#include "platform/codepage.h"
#include "tests/gui/gui_test_support.h"
#include "tests/support/dbus_session.h"
#include "tests/support/line_process.h"

namespace pindle::test {
namespace {

// The desktop switches read at start and written when clicked, like the other boxes; the tray
// switch is refused where the desktop has no tray (the offscreen platform has none).
TEST(DesktopSwitches, ReadAtStartWrittenWhenClicked) {
  struct Case {
    const char* key;
    const char* box;
    const char* stored;   // nullptr: absent
    bool shown;           // checked at start
    const char* written;  // after one click
  } cases[] = {
      {"桌面通知", "设定_桌面通知", nullptr, true, "假"},
      {"桌面通知", "设定_桌面通知", "假", false, "真"},
      {"自动缩短复制的网址", "设定_自动缩短", nullptr, false, "真"},
      {"自动缩短复制的网址", "设定_自动缩短", "真", true, "假"},
      {"托盘图标", "设定_托盘图标", nullptr, false, nullptr},
      {"托盘图标", "设定_托盘图标", "真", false, "真"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.key) + "=" + (c.stored ? c.stored : "(absent)"));
    RecordingActions actions;
    WindowFixture f(actions);
    if (c.stored) Settings::write(kSoftwareSection, c.key, c.stored);
    DesktopIntegration desktop(f.window(), f.ui(), "", actions.workers());
    auto* box = f.find<QCheckBox>(c.box);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->isChecked(), c.shown);
    f.showPageOf(box);
    box->click();
    const Text stored = Settings::read(kSoftwareSection, c.key, Text("(absent)"));
    EXPECT_EQ(stored, c.written ? c.written : "(absent)");
  }
}

// With the desktop's switches added, no two controls of the 设定 page share a place.
TEST(DesktopSwitches, SettingsPageControlsDoNotOverlap) {
  RecordingActions actions;
  WindowFixture f(actions);
  DesktopIntegration desktop(f.window(), f.ui(), "", actions.workers());
  auto* page = f.find<QCheckBox>("设定_记录历史")->parentWidget();
  std::vector<QWidget*> shown;
  for (QWidget* w : page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    if (!w->isHidden()) shown.push_back(w);
  ASSERT_GE(shown.size(), 12u);
  for (size_t i = 0; i < shown.size(); ++i)
    for (size_t j = i + 1; j < shown.size(); ++j)
      EXPECT_FALSE(shown[i]->geometry().intersects(shown[j]->geometry()))
          << shown[i]->objectName().toStdString() << " and " << shown[j]->objectName().toStdString();
}

// The shortcut is read at start and written when edited; where it cannot be registered the page
// says why and names the command to bind instead.
TEST(DesktopSwitches, ShortcutReadAtStartWrittenWhenEdited) {
  RecordingActions actions;
  WindowFixture f(actions);
  Settings::write(kSoftwareSection, "全局快捷键", "Ctrl+Alt+S");
  DesktopIntegration desktop(f.window(), f.ui(), "", actions.workers());
  auto* edit = f.find<QKeySequenceEdit>("设定_全局快捷键");
  EXPECT_EQ(edit->keySequence().toString(QKeySequence::PortableText), QStringLiteral("Ctrl+Alt+S"));
  const QString state = f.find<QLabel>("设定_快捷键说明")->text();
  EXPECT_TRUE(state.contains(QStringLiteral("pindle shorten --clipboard"))) << state.toStdString();
  edit->setKeySequence(QKeySequence(QStringLiteral("Ctrl+Shift+F2")));
  emit edit->editingFinished();
  EXPECT_EQ(Settings::read(kSoftwareSection, "全局快捷键"), "Ctrl+Shift+F2");
  f.showPageOf(edit);
  f.find<QPushButton>("设定_清除快捷键")->click();
  EXPECT_EQ(Settings::read(kSoftwareSection, "全局快捷键", Text("(absent)")), "");
}

TEST(ShortcutKeys, AsX11AndThePortalNameThem) {
  struct Case {
    const char* sequence;
    std::optional<ShortcutKey> wanted;
  } cases[] = {
      {"Ctrl+Alt+S", ShortcutKey{'s', 4 | 8, QStringLiteral("CTRL+ALT+s")}},
      {"Shift+Meta+7", ShortcutKey{'7', 1 | 64, QStringLiteral("SHIFT+LOGO+7")}},
      {"F9", ShortcutKey{0xffc6, 0, QStringLiteral("F9")}},
      {"Ctrl+PgDown", ShortcutKey{0xff56, 4, QStringLiteral("CTRL+Next")}},
      {"Alt+Space", ShortcutKey{0x20, 8, QStringLiteral("ALT+space")}},
      {"S", std::nullopt},       // would take the letter from every program
      {"Ctrl+,", std::nullopt},  // no name the desktops agree on
      {"", std::nullopt},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ShortcutKeyOf(QKeySequence(QString::fromUtf8(c.sequence))), c.wanted) << c.sequence;
}

// The desktop portal's preference decides: dark, then light again when it changes.
TEST(ColorScheme, FollowsThePortalsPreference) {
  DbusSession bus;
  ASSERT_TRUE(bus.running());
  LineProcess portal({PINDLE_DESKTOP_SERVICES, "--portal", "--color-scheme=1"},
                     {{"DBUS_SESSION_BUS_ADDRESS", bus.address()}, {"QT_QPA_PLATFORM", "offscreen"}});
  ASSERT_TRUE(portal.take("ready"));
  QDBusConnection connection = QDBusConnection::connectToBus(QString::fromStdString(bus.address()), "colors");
  {
    ColorScheme colors(nullptr, connection);
    EXPECT_TRUE(SpinUntil([] { return ColorScheme::dark(); }));
    portal.send("color-scheme 2");
    EXPECT_TRUE(SpinUntil([] { return !ColorScheme::dark(); }));
    colors.apply(0);
  }
  QDBusConnection::disconnectFromBus("colors");
}

TEST(ToolkitTranslations, QtsOwnButtonsSpeakChinese) {
  if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_zh_CN.qm")))
    GTEST_SKIP() << "the toolkit's translations are not installed";
  InstallToolkitTranslations();
  QDialogButtonBox buttons(QDialogButtonBox::Cancel);
  EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("取消"));
  // The other tests read the toolkit's texts as they were.
  for (QTranslator* translator : QCoreApplication::instance()->findChildren<QTranslator*>())
    QCoreApplication::removeTranslator(translator);
}

}  // namespace
}  // namespace pindle::test
