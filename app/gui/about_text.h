#pragma once
#include <QString>

#include "config/app_paths.h"

namespace pindle {

// The fixed text of 关于_软件说明: the software information, then the change log, newest first.
// Lines end in LF, as a Qt edit box holds them.
QString AboutText();

// The line after the About text that says where the program keeps its files.
QString PathsLine(const AppPaths& paths);

}  // namespace pindle
