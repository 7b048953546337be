#include "qr/qr_code.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "qr/qr_png.h"
#include "tests/support/temp_dir.h"

namespace pindle {
namespace {

// What a real reader makes of the image.
std::string DecodeWithZbar(const std::string& png) {
  std::string out;
  FILE* pipe = popen(("zbarimg --raw -q '" + png + "' 2>/dev/null").c_str(), "r");
  if (!pipe) return out;
  char buffer[4096];
  while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
  pclose(pipe);
  if (!out.empty() && out.back() == '\n') out.pop_back();
  return out;
}

TEST(QrCode, PngDecodesBackToTheSameText) {
  test::TempDir dir;
  const std::string longLink = "https://127.0.0.1/" + std::string(600, 'a');
  struct Case {
    std::string text;
    int moduleSize;
  } cases[] = {
      {"https://is.gd/abc123", 8},
      {"https://例子.中国/路径?查询=值&x=1", 6},
      {"http://t.cn/短", 2},
      {longLink, 3},
  };
  for (const auto& c : cases) {
    const auto code = MakeQrCode(c.text);
    ASSERT_TRUE(code) << c.text;
    const std::string png = dir.file("code.png");
    Text error;
    ASSERT_TRUE(WriteQrPng(*code, c.moduleSize, png, &error)) << error;
    EXPECT_EQ(DecodeWithZbar(png), c.text);
  }
}

TEST(QrCode, TooLongTextAndUnwritablePathFail) {
  EXPECT_FALSE(MakeQrCode(std::string(8000, 'x')));
  const auto code = MakeQrCode("x");
  ASSERT_TRUE(code);
  Text error;
  EXPECT_FALSE(WriteQrPng(*code, 4, "/nonexistent-dir/q.png", &error));
  EXPECT_NE(error.find("/nonexistent-dir/q.png"), Text::npos);
}

TEST(QrCode, ModuleSizeFillsTheSpaceWithWholeModules) {
  const auto code = MakeQrCode("https://is.gd/abc");  // version 1 or 2: 21 or 25 modules
  ASSERT_TRUE(code);
  const int modules = code->size + 2 * kQrQuietZone;
  for (const int pixels : {0, modules - 1, modules, 3 * modules + 2, 10 * modules}) {
    const int size = QrModuleSizeFor(*code, pixels);
    EXPECT_GE(size, 1);
    if (pixels >= modules) {
      EXPECT_EQ(size, pixels / modules) << pixels;
    }
  }
}

// Reading the half blocks back gives every module, quiet zone included, in both polarities.
TEST(QrCode, TerminalDrawingHoldsEveryModule) {
  const auto code = MakeQrCode("https://例子.cn/x");
  ASSERT_TRUE(code);
  const int side = code->size + 2 * kQrQuietZone;
  for (const bool invert : {false, true}) {
    const Text drawn = QrToTerminal(*code, invert);
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = drawn.find('\n', start)) != Text::npos; start = end + 1)
      lines.push_back(drawn.substr(start, end - start));
    ASSERT_EQ(static_cast<int>(lines.size()), (side + 1) / 2);
    for (int line = 0; line < static_cast<int>(lines.size()); ++line) {
      int x = 0;
      for (size_t i = 0; i < lines[line].size(); ++x) {
        const std::string cell = lines[line][i] == ' ' ? " " : lines[line].substr(i, 3);
        i += cell.size();
        const bool top = cell == "█" || cell == "▀", bottom = cell == "█" || cell == "▄";
        const int y = 2 * line - kQrQuietZone, mx = x - kQrQuietZone;
        ASSERT_EQ(top, code->isDark(mx, y) == invert) << line << "," << x;
        if (2 * line + 1 < side) {
          ASSERT_EQ(bottom, code->isDark(mx, y + 1) == invert) << line << "," << x;
        }
      }
      ASSERT_EQ(x, side);
    }
  }
}

}  // namespace
}  // namespace pindle
