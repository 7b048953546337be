#include "web/cookies.h"

#include <gtest/gtest.h>

namespace pindle {
namespace {

TEST(Cookies, ExtractSetCookies) {
  const std::string unreported(5000, ' ');  // the block of a head too long to report
  struct Case {
    const char* block;
    const char* want;
  } cases[] = {
      {"HTTP/1.1 200 OK\r\nSet-Cookie: sid=1; path=/; HttpOnly\r\nSet-Cookie: k=v\r\n\r\n", "sid=1; k=v"},
      {"HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", ""},
      {"HTTP/1.1 200 OK\r\nset-cookie: a=1\r\nSET-COOKIE: b=2\r\nSet-Cookie: c=3\r\n\r\n", "c=3"},
      {"Set-Cookie:  spaced=1  ", "spaced=1"},
      {"Set-Cookie: a=1;b=2", "a=1"},
      {"X-Set-Cookie: a=1\r\nSet-Cookie2: b=2", ""},
      {"", ""},
      {unreported.c_str(), ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ExtractSetCookies(c.block), c.want) << c.block;
}

TEST(Cookies, CookieName) {
  EXPECT_EQ(CookieName(" a =1"), "a");
  EXPECT_EQ(CookieName("flag"), "flag");
  EXPECT_EQ(CookieName("=v"), "");
  EXPECT_EQ(CookieName("a=b=c"), "a");
}

TEST(Cookies, MergeCookies) {
  struct Case {
    const char* sent;
    const char* received;
    const char* want;
  } cases[] = {
      {"a=1; c=3", "a=2; b=deleted", "a=2; c=3"},
      {"a=1", "", "a=1"},
      {"", "", ""},
      {"", "x=1; y=2", "x=1; y=2"},
      {"a=1; a=2", "", "a=1"},
      {"a = 1 ;b=2", "b=3", "b=3; a=1"},
      {"a=deleted", "", ""},
      {"x=1", "x=1; x=1", "x=1"},
      {"A=1", "a=2", "a=2; A=1"},
      {"s=\xE3\x80\x80v", "", "s=v"},  // full-width spaces go too
  };
  for (const auto& c : cases) {
    Text sent = c.sent;
    EXPECT_EQ(MergeCookies(sent, c.received), c.want) << c.sent << " + " << c.received;
    EXPECT_EQ(sent, c.want) << c.sent << " + " << c.received;
  }
}

TEST(Cookies, RemoveDuplicateMembers) {
  EXPECT_EQ(RemoveDuplicateMembers("x=1; y=2; x=1", "; "), "x=1; y=2");
  EXPECT_EQ(RemoveDuplicateMembers("x=1; x=2", "; "), "x=1; x=2");
  EXPECT_EQ(RemoveDuplicateMembers("x=1; ", "; "), "x=1");
  EXPECT_EQ(RemoveDuplicateMembers("", "; "), "");
  EXPECT_EQ(RemoveDuplicateMembers("a|b|a|A", "|"), "a|b|A");
}

}  // namespace
}  // namespace pindle
