#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QTreeWidget>
#include <cstdio>

#include "app/gui/actions/program_actions.h"
#include "app/gui/qr_dialog.h"
#include "tests/gui/gui_test_support.h"

namespace pindle::test {
namespace {

std::string Zbar(const std::string& png) {
  std::string out;
  FILE* pipe = popen(("zbarimg --raw -q '" + png + "' 2>/dev/null").c_str(), "r");
  char buffer[1024];
  while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
  pclose(pipe);
  return out;
}

// A QR code dialog that is not left open between tests.
struct ClosedAfter {
  QrDialog* dialog;
  ~ClosedAfter() { dialog->close(); }
};

TEST(LinkMenu, QrAndExpandFollowTheLinkTest) {
  ProgramActions actions;
  WindowFixture f(actions);
  auto* list = f.find<QTreeWidget>("生成_结果列表");
  auto* menu = f.find<QMenu>("生成菜单");
  f.ui().resultList().setRows({{"甲", "https://t.cn/短"}, {"乙", "数据错误！"}});
  for (const auto& [row, usable] : {std::pair{1, false}, std::pair{0, true}}) {
    menu->hide();
    RightClickRow(list, row);
    ASSERT_TRUE(SpinUntil([&] { return menu->isVisible(); }));
    for (const char* name : {"二维码", "展开短网址"})
      EXPECT_EQ(menu->findChild<QAction*>(QString::fromUtf8(name))->isEnabled(), usable) << name << row;
  }
  menu->hide();

  // Chosen on row 0, the dialog shows that link.
  menu->findChild<QAction*>(QStringLiteral("二维码"))->trigger();
  auto* dialog = f.window().findChild<QrDialog*>(QStringLiteral("二维码"));
  ASSERT_NE(dialog, nullptr);
  ClosedAfter closer{dialog};
  EXPECT_EQ(dialog->findChild<QLabel*>(QStringLiteral("二维码_文本"))->text(), QStringLiteral("https://t.cn/短"));
  EXPECT_EQ(dialog->font(), menu->font());  // the window's font, though a window of its own
}

TEST(QrDialog, ShownSavedAndCopiedImagesReadBack) {
  TempDir dir;
  const Text link = "https://例子.中国/a?b=1";
  QrDialog dialog(link);
  dialog.resize(300, 360);
  dialog.show();
  ASSERT_TRUE(SpinUntil([&] { return !dialog.shownImage().isNull(); }));
  const int small = dialog.shownImage().width();
  ASSERT_TRUE(dialog.shownImage().save(QString::fromStdString(dir.file("shown.png"))));
  EXPECT_EQ(Zbar(dir.file("shown.png")), link + "\n");

  dialog.resize(600, 660);
  ASSERT_TRUE(SpinUntil([&] { return dialog.shownImage().width() > small; })) << "the code grows with the dialog";

  ASSERT_TRUE(dialog.savePng(QString::fromStdString(dir.file("saved.png"))));
  EXPECT_EQ(Zbar(dir.file("saved.png")), link + "\n");
  dialog.copyImage();
  const QImage copied = QGuiApplication::clipboard()->image();
  ASSERT_FALSE(copied.isNull());
  ASSERT_TRUE(copied.save(QString::fromStdString(dir.file("copied.png"))));
  EXPECT_EQ(Zbar(dir.file("copied.png")), link + "\n");
}

}  // namespace
}  // namespace pindle::test
