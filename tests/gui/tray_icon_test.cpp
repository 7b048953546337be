#include <gtest/gtest.h>

#include "tests/gui/desktop_program.h"
#include "tests/gui/gui_test_support.h"
#include "tests/gui/x11_desktop.h"
#include "tests/support/process.h"

namespace pindle::test {
namespace {

#define START_DESKTOP(desktop)                                              \
  if (!ProgramInstalled("xclip")) GTEST_SKIP() << "xclip is not installed"; \
  ASSERT_EQ(desktop.problem(), "");                                         \
  ASSERT_TRUE(desktop.startWindow())

// Closes the window as a user would, once more after a while when a close came while the window
// was still being set up and got lost (on a loaded machine that set-up takes seconds).
bool CloseUntil(X11Desktop& desktop, const std::function<bool()>& done) {
  for (int attempt = 0; attempt < 8; ++attempt) {
    desktop.closeWindow();
    if (SpinUntil(done, std::chrono::seconds(2))) return true;
  }
  return false;
}

// The icon registers with the desktop's watcher. Closing the window hides it into the tray; a
// later start or 显示窗口 brings it back. The menu shortens the clipboard (with a notification),
// lists the link and copies it again; 退出 ends the program.
TEST(TrayIcon, RegistersAndItsMenuWorks) {
  X11Desktop desktop({"--watcher", "--notifications"}, {"托盘图标=真"});
  START_DESKTOP(desktop);
  LineProcess& bus = desktop.services();
  ASSERT_TRUE(bus.take("item "));
  bus.send("menu");
  EXPECT_EQ(bus.take("menu ").value_or("none"), "menu 缩短剪贴板网址|-|显示窗口|退出");

  EXPECT_TRUE(CloseUntil(desktop, [&] { return !desktop.windowShown(); }));
  EXPECT_FALSE(desktop.windowExit(300));
  // A later start hands its address over and brings the hidden window back.
  const auto second = RunProcess(desktop.program().command({"https://127.0.0.1:9/handed"}), desktop.environment());
  EXPECT_EQ(second.exitCode, 0) << second.err;
  EXPECT_TRUE(SpinUntil([&] { return desktop.windowShown(); }));
  EXPECT_TRUE(CloseUntil(desktop, [&] { return !desktop.windowShown(); }));
  bus.send("click 显示窗口");
  EXPECT_TRUE(SpinUntil([&] { return desktop.windowShown(); }));

  SetXClipboard(desktop.display(), kLongAddress);
  bus.send("click 缩短剪贴板网址");
  const std::string link = desktop.program().service().shortFor(1);
  EXPECT_TRUE(SpinUntil([&] { return XClipboard(desktop.display()) == link; })) << XClipboard(desktop.display());
  EXPECT_EQ(bus.take("notify ").value_or("none"),
            "notify 短网址已放上剪贴板\t" + link + "\\n" + std::string(kLongAddress));
  bus.send("menu");
  EXPECT_EQ(bus.take("menu ").value_or("none"), "menu 缩短剪贴板网址|-|" + link + "|-|显示窗口|退出");
  SetXClipboard(desktop.display(), "something else");
  // The window hears that it lost the clipboard before it is asked to take it back.
  SpinUntil([] { return false; }, std::chrono::milliseconds(300));
  bus.send("click " + link);
  EXPECT_TRUE(SpinUntil([&] { return XClipboard(desktop.display()) == link; })) << "a recent link copied again";

  bus.send("click 退出");
  EXPECT_EQ(desktop.windowExit(10000), 0);
}

// Without a tray on the desktop the stored switch is refused: closing ends the program as ever.
TEST(TrayIcon, NoTrayMeansClosingEndsTheProgram) {
  X11Desktop desktop({}, {"托盘图标=真"});
  START_DESKTOP(desktop);
  EXPECT_TRUE(CloseUntil(desktop, [&] { return desktop.windowExit(0).has_value(); }));
  EXPECT_EQ(desktop.windowExit(0), 0);
}

// The X11 grab: the shortcut pressed anywhere shortens the clipboard's address; a notification
// follows only where a notification service runs, and nothing fails without one.
TEST(GlobalShortcut, PressedWithXdotoolOnX11) {
  if (!ProgramInstalled("xdotool")) GTEST_SKIP() << "xdotool is not installed";
  X11Desktop desktop({}, {"全局快捷键=Ctrl+Alt+S"});
  START_DESKTOP(desktop);
  SetXClipboard(desktop.display(), kLongAddress);
  const std::string link = desktop.program().service().shortFor(1);
  RunProcess({"/usr/bin/xdotool", "key", "ctrl+alt+s"}, desktop.environment());
  EXPECT_TRUE(SpinUntil([&] { return XClipboard(desktop.display()) == link; })) << XClipboard(desktop.display());
}

// Where the desktop portal offers GlobalShortcuts, the shortcut is bound there with its trigger
// and each activation the portal signals shortens the clipboard.
TEST(GlobalShortcut, ThroughTheDesktopPortal) {
  X11Desktop desktop({"--portal", "--shortcuts", "--notifications"}, {"全局快捷键=Ctrl+Alt+S"});
  START_DESKTOP(desktop);
  LineProcess& bus = desktop.services();
  EXPECT_EQ(bus.take("bound ").value_or("none"), "bound shorten-clipboard\tCTRL+ALT+s");
  SetXClipboard(desktop.display(), kLongAddress);
  bus.send("press shorten-clipboard");
  const std::string link = desktop.program().service().shortFor(1);
  EXPECT_TRUE(SpinUntil([&] { return XClipboard(desktop.display()) == link; })) << XClipboard(desktop.display());
  EXPECT_TRUE(bus.take("notify 短网址已放上剪贴板"));
}

// Clipboard watching: a long address another program copies comes back short, with a
// notification naming it; short addresses, links of the plug-in's host, anything that is not one
// address, and Pindle's own link are left alone.
TEST(ClipboardWatch, ShortensLongAddressesCopiedElsewhere) {
  X11Desktop desktop({"--notifications"}, {"自动缩短复制的网址=真"});
  START_DESKTOP(desktop);
  LineProcess& bus = desktop.services();
  LoopbackShortener& service = desktop.program().service();
  SetXClipboard(desktop.display(), kLongAddress);
  EXPECT_TRUE(SpinUntil([&] { return XClipboard(desktop.display()) == service.shortFor(1); }))
      << XClipboard(desktop.display());
  EXPECT_EQ(bus.take("notify ").value_or("none"),
            "notify 复制的网址已缩短\t" + service.shortFor(1) + "\\n" + std::string(kLongAddress));
  const std::string left[] = {
      "http://127.0.0.1:9/short",
      service.base() + "/s/a/link/of/the/plug-ins/own/host/long/enough",
      std::string(kLongAddress) + "\n" + kLongAddress,
      std::string("see ") + kLongAddress,
  };
  for (const std::string& text : left) {
    SetXClipboard(desktop.display(), text);
    SpinUntil([] { return false; }, std::chrono::milliseconds(700));
    EXPECT_EQ(XClipboard(desktop.display()), text);
  }
  EXPECT_EQ(service.requests().size(), 1u) << "Pindle's own link was not sent again";
}

}  // namespace
}  // namespace pindle::test
