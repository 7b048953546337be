#pragma once

namespace pindle {

// The toolkit's own texts (the buttons and labels of its file dialogs, message boxes and edit
// menus) in the window's language, Chinese, where the toolkit's translations are installed.
void InstallToolkitTranslations();

}  // namespace pindle
