#pragma once
#include "app/desktop_door.h"

namespace pindle {

// The desktop module, loaded on the first call and kept: beside the program, else where the
// installation puts it (also for a copy of an installed program). Null with `problem` set when it
// is missing, cannot be loaded or comes from another build.
const DesktopDoor* LoadDesktopDoor(Text& problem);

}  // namespace pindle
