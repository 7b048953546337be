#pragma once
#include <QString>

#include "platform/types.h"

namespace pindle {

// The program's text is UTF-8; Qt strings exist only at the widget boundary.
inline QString ToQt(const Text& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }
inline Text FromQt(const QString& text) { return text.toUtf8().toStdString(); }

}  // namespace pindle
