#include "app/program_actions.h"

#include "app/background.h"
#include "app/result_actions.h"
#include "app/startup.h"

namespace pindle {

void ProgramActions::windowCreated(Controls& ui) {
  StartDetached([&ui] {
    StartupSteps steps;
    RunStartupTask(ui, steps);
  });
}

void ProgramActions::settingBoxClicked(Controls& ui, SettingBox box) { OnSettingBoxClicked(ui, box); }
void ProgramActions::filesDropped(Controls& ui, const std::vector<Text>& paths) { OnFilesDropped(ui, paths); }
void ProgramActions::generateClicked(Controls&) {}
bool ProgramActions::resultRightClicked(Controls& ui) { return PrepareResultMenu(ui); }
void ProgramActions::copyUrlChosen(Controls& ui) { CopySelectedResult(ui); }
void ProgramActions::openUrlChosen(Controls& ui) { OpenSelectedResult(ui); }
void ProgramActions::resultDoubleClicked(Controls& ui) { OnResultDoubleClick(ui); }
bool ProgramActions::pluginRightClicked(Controls&) { return false; }
void ProgramActions::pluginDoubleClicked(Controls&) {}
void ProgramActions::refreshClicked(Controls&) {}
void ProgramActions::pullClicked(Controls&) {}
void ProgramActions::enablePluginChosen(Controls&) {}
void ProgramActions::disablePluginChosen(Controls&) {}
void ProgramActions::modifyConfigChosen(Controls&) {}
void ProgramActions::updatePluginChosen(Controls&) {}
void ProgramActions::editPluginChosen(Controls&) {}
void ProgramActions::deletePluginChosen(Controls&) {}
void ProgramActions::feedbackClicked(Controls&) {}

}  // namespace pindle
