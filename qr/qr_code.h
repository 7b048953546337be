#pragma once
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/types.h"

namespace pindle {

// A QR code as a square of modules, quiet zone not included.
struct QrMatrix {
  int size = 0;
  std::vector<std::uint8_t> dark;  // row by row, 1 for a dark module
  bool isDark(int x, int y) const {
    return x >= 0 && y >= 0 && x < size && y < size && dark[static_cast<size_t>(y * size + x)] != 0;
  }
};

// The margin of light modules a reader needs around the code.
inline constexpr int kQrQuietZone = 4;

// The code of the text's bytes (UTF-8 as they are, so readers see the same characters), error
// correction level M; nothing when the text is too long for any QR version.
std::optional<QrMatrix> MakeQrCode(const Text& text);

// The largest whole module size at which the code with its quiet zone fits into `pixels`; at least 1.
int QrModuleSizeFor(const QrMatrix& code, int pixels);

// The code drawn with half-block characters, two module rows per line, quiet zone included.
// Light modules are drawn as blocks, which suits a terminal with a dark background; `invert`
// draws the dark ones instead.
Text QrToTerminal(const QrMatrix& code, bool invert = false);

}  // namespace pindle
