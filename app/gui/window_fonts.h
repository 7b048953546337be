#pragma once
#include <QFont>

namespace pindle {

// The window's face, "微软雅黑", at `pixelSize`; where it is not installed, the first installed
// CJK sans-serif face stands in so that the Chinese captions keep their shape and width.
QFont WindowFont(int pixelSize);

}  // namespace pindle
