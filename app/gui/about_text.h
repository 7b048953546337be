#pragma once
#include <QString>

namespace pindle {

// The fixed text of 关于_软件说明: the software information, then the change log, newest first.
// Lines end in LF, as a Qt edit box holds them.
QString AboutText();

}  // namespace pindle
