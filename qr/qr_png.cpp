#include "qr/qr_png.h"

#include <png.h>

#include <csetjmp>
#include <vector>

#include "platform/files.h"

namespace pindle {
namespace {

void AppendToBytes(png_structp png, png_bytep data, png_size_t length) {
  static_cast<Bytes*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), length);
}

void NoFlush(png_structp) {}

}  // namespace

// libpng rather than Qt's image classes: the command line writes PNGs without Qt, and libpng
// is what Qt itself uses underneath.
Bytes QrPngBytes(const QrMatrix& code, int moduleSize) {
  if (moduleSize < 1) moduleSize = 1;
  const int modules = code.size + 2 * kQrQuietZone;
  const auto pixels = static_cast<png_uint_32>(modules * moduleSize);
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return {};
  png_infop info = png_create_info_struct(png);
  std::vector<png_byte> row(pixels);
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, info ? &info : nullptr);
    return {};
  }
  png_set_write_fn(png, &out, AppendToBytes, NoFlush);
  png_set_IHDR(png, info, pixels, pixels, 8, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < modules * moduleSize; ++y) {
    const int my = y / moduleSize - kQrQuietZone;
    for (png_uint_32 x = 0; x < pixels; ++x)
      row[x] = code.isDark(static_cast<int>(x) / moduleSize - kQrQuietZone, my) ? 0 : 255;
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

bool WriteQrPng(const QrMatrix& code, int moduleSize, const Text& path, Text* error) {
  const Bytes png = QrPngBytes(code, moduleSize);
  if (png.empty()) {
    if (error) *error = "无法生成 PNG 图片";
    return false;
  }
  if (!WriteFileAtomically(path, png)) {
    if (error) *error = "无法写入文件：" + path;
    return false;
  }
  return true;
}

}  // namespace pindle
