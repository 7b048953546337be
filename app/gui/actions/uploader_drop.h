#pragma once
#include <vector>

#include "app/gui/actions/controls.h"
#include "platform/background.h"

namespace pindle {

// ShareX uploader files (.sxcu) dropped on the window become plug-ins: each is imported into
// Plug/ (refused when the plug-in format cannot say all of it), the outcome goes to the status bar
// and a notice, and the plug-in list is loaded again. Returns the dropped paths that are not .sxcu
// files, for the long-URL box. The reload and the report run on one of `workers`.
std::vector<Text> ImportDroppedUploaders(Controls& ui, const std::vector<Text>& paths, Workers& workers);

}  // namespace pindle
