#pragma once
#include <vector>

#include "app/gui/actions/controls.h"
#include "platform/types.h"

namespace pindle {

// Before the window sends anything (生成, a clipboard pass): for each plug-in file whose stored
// key was given for another address than the file names now, one question naming both hosts.
// 确认 binds the key to the new address, as pindle config NAME --trust does; 取消 sends nothing
// there (the lines fail with the reason) and the window does not ask again for that plug-in and
// address while it runs. A notice closed without an answer is asked again next time. On the
// window thread; the files are asked in order, each once.
void AskAboutMovedKeys(Controls& ui, const std::vector<Text>& pluginFiles);

// The plug-in files a 生成 of the window would use now: the chosen one, then its fallbacks.
std::vector<Text> GenerationPluginFiles(Controls& ui);

}  // namespace pindle
