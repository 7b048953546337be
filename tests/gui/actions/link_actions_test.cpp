#include "app/gui/actions/link_actions.h"

#include <gtest/gtest.h>

#include "app/gui/actions/memory_controls.h"
#include "config/app_paths.h"
#include "tests/support/httplib_server.h"
#include "tests/support/short_link_routes.h"
#include "tests/support/temp_dir.h"

namespace pindle {
namespace {

using test::kDownUrl;
using test::ShortLinkRoutes;

TEST(LinkActions, ExpandShowsTheChainInANotice) {
  test::TempDir dir;
  SetPaths(AppPaths::FromProgramDirectory(dir.path()));
  test::HttplibLoopbackServer server(ShortLinkRoutes);
  MemoryControls ui;
  ShowRedirectChain(ui, server.url("/s/1"));
  ASSERT_EQ(ui.notices().size(), 1u);
  const Notice shown = ui.notices()[0];
  EXPECT_EQ(shown.title, "展开短网址");
  const std::string target = server.url("/%e7%9b%ae%e6%a0%87");
  EXPECT_EQ(shown.message, "1. 301  " + server.url("/s/1") + "\n2. 302  " + server.url("/via") + "\n3. 200  " + target +
                               "\n\n最终地址：" + target);
  EXPECT_EQ(ui.statusText(), "短网址已展开");

  ShowRedirectChain(ui, server.url("/loop"));
  EXPECT_NE(ui.notices().back().message.find("未能展开：跳转成环"), std::string::npos);
  EXPECT_NE(ui.statusText().find("短网址未能展开"), std::string::npos);

  ShowRedirectChain(ui, server.url("/down"));
  const Text down = ui.notices().back().message;
  EXPECT_EQ(down.rfind("1. 302  " + server.url("/down") + "\n2. —  " + kDownUrl + "\n\n最终地址：" + kDownUrl +
                           "\n最终地址未能连接：",
                       0),
            0u)
      << down;
  EXPECT_EQ(ui.statusText(), "短网址已展开，最终地址未能连接");
}

}  // namespace
}  // namespace pindle
