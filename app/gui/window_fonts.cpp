#include "app/gui/window_fonts.h"

#include <QStringList>

namespace pindle {

QFont WindowFont(int pixelSize) {
  QFont font;
  font.setFamilies({QStringLiteral("微软雅黑"), QStringLiteral("Microsoft YaHei"), QStringLiteral("Noto Sans CJK SC"),
                    QStringLiteral("Source Han Sans SC"), QStringLiteral("WenQuanYi Micro Hei")});
  font.setPixelSize(pixelSize);
  font.setWeight(QFont::Normal);
  return font;
}

}  // namespace pindle
