#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QCheckBox>
#include <QTest>
#include <atomic>

#include "app/gui/actions/program_actions.h"
#include "app/gui/actions/startup.h"
#include "config/settings.h"
#include "platform/background.h"
#include "platform/codepage.h"
#include "tests/gui/gui_test_support.h"

namespace pindle::test {
namespace {

// The start-up task on its own thread, as the program runs it, with the load, the pull and the
// update check only noted.
class StartupActions : public WindowActions {
 public:
  std::atomic<bool> loaded = false, pulled = false, checkedForUpdate = false;
  Workers workers;
  void windowCreated(Controls& ui) override {
    workers.start([this, &ui](std::stop_token) {
      StartupSteps steps;
      steps.startLocalLoad = [this] { loaded = true; };
      steps.startCloudPull = [this] { pulled = true; };
      steps.runUpdateCheck = [this] { checkedForUpdate = true; };
      RunStartupTask(ui, steps);
    });
  }
};

void WriteSettings(const TempDir& dir, const std::string& utf8Lines) {
  dir.write("Setting.ini", Utf8ToGbk("[软件设定]\r\n" + utf8Lines));
}

struct StartupRow {
  const char* label;
  const char* ini;  // lines of section 软件设定, CR LF each; nullptr: no Setting.ini
  bool onTop, autoUpdate, autoLoad, toggle, copy, ignoreCert;
  bool loaded, pulled;
};

// clang-format off
const StartupRow kStartupRows[] = {
    {"no file", nullptr, false, false, false, false, false, false, false, false},
    {"update alone", "自动更新=真\r\n", false, true, false, false, false, false, false, false},
    {"update and load pull", "自动更新=真\r\n自动加载=真\r\n", false, true, true, false, false, false, false, true},
    {"load alone", "自动加载=真\r\n", false, false, true, false, false, false, true, false},
    {"top and double-clicks", "软件置顶=真\r\n双击切换=真\r\n双击复制=真\r\n", true, false, false, true, true, false, false, false},
    {"only exactly 真 is on", "软件置顶=真的\r\n自动加载=true\r\n双击切换=1\r\n双击复制=假\r\n忽略证书错误=是\r\n", false, false, false, false, false, false, false, false},
    {"everything", "自动更新=假\r\n自动加载=真\r\n软件置顶=真\r\n双击切换=假\r\n双击复制=真\r\n", true, false, true, false, true, false, true, false},
    {"certificate errors ignored", "忽略证书错误=真\r\n", false, false, false, false, false, true, false, false},
    {"links reused", "复用短网址=真\r\n", false, false, false, false, false, false, false, false},
};
// clang-format on

TEST(StartupSettings, StoredSwitchesCheckExactlyTheirBoxes) {
  for (const StartupRow& row : kStartupRows) {
    SCOPED_TRACE(row.label);
    StartupActions actions;
    WindowFixture f(actions);
    if (row.ini) WriteSettings(f.dir(), row.ini);
    actions.windowCreated(f.ui());
    ASSERT_TRUE(SpinUntil([] { return WaitForDetached(std::chrono::milliseconds(0)); }));

    EXPECT_EQ(f.find<QCheckBox>("设定_总在最前")->isChecked(), row.onTop);
    EXPECT_EQ(f.find<QCheckBox>("设定_自动更新")->isChecked(), row.autoUpdate);
    EXPECT_EQ(f.find<QCheckBox>("设定_自动加载")->isChecked(), row.autoLoad);
    EXPECT_EQ(f.find<QCheckBox>("设定_双击切换")->isChecked(), row.toggle);
    EXPECT_EQ(f.find<QCheckBox>("设定_双击复制")->isChecked(), row.copy);
    EXPECT_EQ(f.find<QCheckBox>("设定_忽略证书")->isChecked(), row.ignoreCert);
    // Off unless the user turned it on.
    EXPECT_EQ(f.find<QCheckBox>("设定_复用短网址")->isChecked(),
              row.ini != nullptr && std::string(row.ini).find("复用短网址=真") != std::string::npos);
    EXPECT_EQ(f.window().windowFlags().testFlag(Qt::WindowStaysOnTopHint), row.onTop);
    EXPECT_TRUE(f.window().isVisible()) << "changing the top-most flag must show the window again";
    EXPECT_EQ(actions.loaded.load(), row.loaded);
    EXPECT_EQ(actions.pulled.load(), row.pulled);
    EXPECT_TRUE(actions.checkedForUpdate.load());
    // Setting the boxes from the task is no click: nothing was written.
    if (!row.ini) {
      EXPECT_FALSE(QFile::exists(QString::fromStdString(f.dir().file("Setting.ini"))));
    }
  }
}

struct ClickRow {
  const char* box;
  const char* key;
};

const ClickRow kClickRows[] = {
    {"设定_总在最前", "软件置顶"}, {"设定_自动更新", "自动更新"},     {"设定_自动加载", "自动加载"},
    {"设定_双击切换", "双击切换"}, {"设定_双击复制", "双击复制"},     {"设定_忽略证书", "忽略证书错误"},
    {"设定_记录历史", "记录历史"}, {"设定_复用短网址", "复用短网址"},
};

TEST(StartupSettings, EachClickWritesItsKeyAtOnce) {
  ProgramActions actions;
  WindowFixture f(actions);
  for (const ClickRow& row : kClickRows) {
    SCOPED_TRACE(row.box);
    auto* box = f.find<QCheckBox>(row.box);
    f.showPageOf(box);
    // 设定_自动更新 is never enabled by the program; its click action is bound all the same.
    const bool wasEnabled = box->isEnabled();
    if (!wasEnabled) {
      QTest::mouseClick(box, Qt::LeftButton);
      EXPECT_EQ(Settings::read(kSoftwareSection, row.key), "") << "a disabled box takes no click";
      box->setEnabled(true);
    }
    QTest::mouseClick(box, Qt::LeftButton);
    EXPECT_TRUE(box->isChecked());
    EXPECT_EQ(Settings::read(kSoftwareSection, row.key), kOn);
    if (row.key == std::string("软件置顶")) {
      EXPECT_TRUE(f.window().windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    }
    QTest::mouseClick(box, Qt::LeftButton);
    EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(Settings::read(kSoftwareSection, row.key), kOff);
    EXPECT_FALSE(f.window().windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    box->setEnabled(wasEnabled);
  }
  // The file is the Windows program's: code page 936, CR LF.
  const std::string bytes = f.dir().read("Setting.ini");
  EXPECT_NE(bytes.find(Utf8ToGbk("双击复制=假\r\n")), std::string::npos);

  // A file that cannot be written: the click still applies, and the status bar says it was not kept.
  ::chmod(f.dir().file("Setting.ini").c_str(), 0444);
  f.showPageOf(f.find<QCheckBox>("设定_双击复制"));
  QTest::mouseClick(f.find<QCheckBox>("设定_双击复制"), Qt::LeftButton);
  EXPECT_TRUE(f.find<QCheckBox>("设定_双击复制")->isChecked());
  EXPECT_EQ(f.ui().statusText(), kSettingNotSavedText);
  EXPECT_EQ(f.dir().read("Setting.ini"), bytes);
  ::chmod(f.dir().file("Setting.ini").c_str(), 0644);
}

TEST(StartupSettings, StatesSetThroughControlsAreNotWritten) {
  ProgramActions actions;
  WindowFixture f(actions);
  ASSERT_TRUE(RunOnWorker([&] {
    for (size_t i = 0; i < kSettingBoxCount; ++i) f.ui().settingBox(static_cast<SettingBox>(i)).setChecked(true);
  }));
  EXPECT_TRUE(f.find<QCheckBox>("设定_双击复制")->isChecked());
  EXPECT_FALSE(QFile::exists(QString::fromStdString(f.dir().file("Setting.ini"))));
}

}  // namespace
}  // namespace pindle::test
