#include "web/link_check.h"

#include <gtest/gtest.h>

namespace pindle {
namespace {

TEST(LinkCheck, OnlyAbsoluteHttpAddressesWithAHost) {
  const struct {
    const char* text;
    bool link;
  } cases[] = {
      {"https://is.gd/abc", true},
      {"http://127.0.0.1:8080/s/1", true},
      {"HTTPS://A.EXAMPLE/x?y=1#z", true},
      {"https://[::1]:9/", true},
      {"https://a.example/路径", true},
      {"http://s/x?url=%61", true},
      {"httpd: internal server error", false},
      {"http", false},
      {"http://", false},
      {"https:///x", false},
      {"http:/a.example", false},
      {"a.example/x", false},
      {"ftp://a.example/x", false},
      {"javascript:alert(1)", false},
      {" https://a.example/", false},
      {"https://a.example/\n", false},
      {"https://a.example/\tx", false},
      {"https://a.example/\x1b[2J", false},
      {"https://a.example/a b", false},
      {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsLink(c.text), c.link) << c.text;
}

}  // namespace
}  // namespace pindle
