#pragma once
#include "platform/types.h"
#include "qr/qr_code.h"

namespace pindle {

// The code as a black-on-white grey-scale PNG, `moduleSize` pixels per module, quiet zone
// included. Empty when libpng fails.
Bytes QrPngBytes(const QrMatrix& code, int moduleSize);

// Writes QrPngBytes to `path`; false with the reason in `error` when it cannot.
bool WriteQrPng(const QrMatrix& code, int moduleSize, const Text& path, Text* error = nullptr);

}  // namespace pindle
