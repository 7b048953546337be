#pragma once
#include <functional>

#include "app/gui/actions/controls.h"

namespace pindle {

// What the start-up task may start; the program wires in the plug-in load, the cloud pull and
// the update check.
struct StartupSteps {
  std::function<void()> startLocalLoad;  // starts the load on a thread of its own
  std::function<void()> startCloudPull;  // starts the pull on a thread of its own
  std::function<void()> runUpdateCheck;  // runs on the start-up thread
};

// The start-up task (on its own thread): the switches from Setting.ini into the check boxes,
// the automatic load or pull, always-on-top, then the update check. AppPaths are set already.
void RunStartupTask(Controls& ui, const StartupSteps& steps);

// A click on one of the settings check boxes: writes its key at once; always-on-top is
// also applied at once.
void OnSettingBoxClicked(Controls& ui, SettingBox box);

// The key in section "软件设定" that stores a check box.
const char* SettingKeyOf(SettingBox box);

}  // namespace pindle
