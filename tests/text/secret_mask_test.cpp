#include "text/secret_mask.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"

namespace pindle {
namespace {

// Every byte as %XX, the way a plug-in's $Url$ writes it.
Text percentAll(const Bytes& bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  Text out;
  for (const char ch : bytes) {
    const auto b = static_cast<unsigned char>(ch);
    out += {'%', kHex[b >> 4], kHex[b & 15]};
  }
  return out;
}

TEST(SecretMask, HidesEveryWrittenFormOfASecret) {
  const Text m = kSecretMask;
  struct Case {
    Text text;
    std::vector<Text> secrets;
    Text want;
  } cases[] = {
      {"GET /api?key=abc123&url=x", {"abc123"}, "GET /api?key=" + m + "&url=x"},
      {"Authorization: Bearer abc123\r\n", {"abc123"}, "Authorization: Bearer " + m + "\r\n"},
      {"k=" + percentAll("abc"), {"abc"}, "k=" + m},
      {"k=p%40ss%2fw", {"p@ss/w"}, "k=" + m},  // lower-case hex
      {"k=a+b%2Fc", {"a b/c"}, "k=" + m},
      {R"({"token":"a\"b\\c\/d"})", {"a\"b\\c/d"}, R"({"token":")" + m + R"("})"},
      {"k=" + percentAll("密钥"), {"密钥"}, "k=" + m},             // UTF-8 bytes
      {"k=" + percentAll(Utf8ToGbk("密钥")), {"密钥"}, "k=" + m},  // code page 936 bytes
      {"值：密钥。", {"密钥"}, "值：" + m + "。"},
      {"xabcdefx", {"abcd", "cdef"}, "x" + m + "x"},  // overlapping secrets go together
      {"abcabc", {"abc"}, m + m},
      {"k=%25", {"%"}, "k=" + m},
      {Text(80, '\\'), {Text(40, '\\')}, m},  // escapes of escapes stay linear
      {"abd ab", {"abc"}, "abd ab"},
      {"no secrets", {}, "no secrets"},
      {"empty ignored", {""}, "empty ignored"},
      {"", {"abc"}, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(MaskSecrets(c.text, c.secrets), c.want) << "text: " << c.text;
}

// What a JSON body with ASCII-only escapes makes of a secret is hidden too, and HoldsSecret finds
// every form MaskSecrets hides.
TEST(SecretMask, JsonEscapesAndHolding) {
  const Text m = kSecretMask;
  EXPECT_EQ(MaskSecrets(R"({"k":"\u5bc6\u94a5x"})", {"密钥x"}), R"({"k":")" + m + R"("})");
  EXPECT_EQ(MaskSecrets(R"({"k":"a\tb\ud83d\ude00"})", {"a\tb😀"}), R"({"k":")" + m + R"("})");
  struct Case {
    Text text;
    bool holds;
  } cases[] = {
      {"Authorization: Bearer abc/1", true}, {"GET /x?k=abc%2F1", true}, {"k=abc%2f1", true},
      {R"({"k":"abc\/1"})", true},           {"k=abc%2F2", false},       {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(HoldsSecret(c.text, {"abc/1"}), c.holds) << c.text;
  EXPECT_FALSE(HoldsSecret("anything", {}));
  EXPECT_FALSE(HoldsSecret("anything", {""}));
}

}  // namespace
}  // namespace pindle
