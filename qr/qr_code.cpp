#include "qr/qr_code.h"

#include <qrencode.h>

#include <algorithm>
#include <memory>

namespace pindle {

std::optional<QrMatrix> MakeQrCode(const Text& text) {
  std::unique_ptr<QRinput, decltype(&QRinput_free)> input(QRinput_new2(0, QR_ECLEVEL_M), &QRinput_free);
  if (!input) return std::nullopt;
  // Without a declared character set readers guess, and a short Chinese text is often taken for
  // Shift-JIS; ECI 26 says UTF-8. Plain ASCII goes without, for readers that know no ECI.
  const bool ascii = std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (!ascii && QRinput_appendECIheader(input.get(), 26) != 0) return std::nullopt;
  // Byte mode on purpose: the string modes stop at a zero byte and may pick a Kanji mode.
  if (QRinput_append(input.get(), QR_MODE_8, static_cast<int>(text.size()),
                     reinterpret_cast<const unsigned char*>(text.data())) != 0)
    return std::nullopt;
  std::unique_ptr<QRcode, decltype(&QRcode_free)> code(QRcode_encodeInput(input.get()), &QRcode_free);
  if (!code) return std::nullopt;
  QrMatrix matrix;
  matrix.size = code->width;
  matrix.dark.resize(static_cast<size_t>(code->width) * static_cast<size_t>(code->width));
  for (size_t i = 0; i < matrix.dark.size(); ++i) matrix.dark[i] = code->data[i] & 1;
  return matrix;
}

int QrModuleSizeFor(const QrMatrix& code, int pixels) {
  const int modules = code.size + 2 * kQrQuietZone;
  return modules > 0 && pixels / modules > 1 ? pixels / modules : 1;
}

Text QrToTerminal(const QrMatrix& code, bool invert) {
  const int first = -kQrQuietZone, last = code.size + kQrQuietZone;  // last is one past the end
  auto drawn = [&](int x, int y) { return code.isDark(x, y) == invert; };
  Text out;
  for (int y = first; y < last; y += 2) {
    for (int x = first; x < last; ++x) {
      const bool top = drawn(x, y);
      const bool bottom = y + 1 < last && drawn(x, y + 1);
      out += top && bottom ? "█" : top ? "▀" : bottom ? "▄" : " ";
    }
    out += '\n';
  }
  return out;
}

}  // namespace pindle
