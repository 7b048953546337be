#include "app/gui/actions/startup.h"

#include "config/settings.h"

namespace pindle {

const char* SettingKeyOf(SettingBox box) {
  switch (box) {
    case SettingBox::AlwaysOnTop:
      return "软件置顶";
    case SettingBox::AutoUpdate:
      return "自动更新";
    case SettingBox::AutoLoad:
      return kAutoLoadKey;
    case SettingBox::DoubleClickToggle:
      return "双击切换";
    case SettingBox::DoubleClickCopy:
      return "双击复制";
    case SettingBox::IgnoreCertificateErrors:
      return kIgnoreCertificateErrorsKey;
    case SettingBox::RecordHistory:
      return kRecordHistoryKey;
    case SettingBox::ReuseLinks:
      return kReuseLinksKey;
  }
  return "";
}

void RunStartupTask(Controls& ui, const StartupSteps& steps) {
  auto& autoUpdate = ui.settingBox(SettingBox::AutoUpdate);
  auto& autoLoad = ui.settingBox(SettingBox::AutoLoad);
  if (Settings::isOn("自动更新")) {
    autoUpdate.setChecked(true);
    if (Settings::isOn(kAutoLoadKey)) {
      if (steps.startCloudPull) steps.startCloudPull();
      autoLoad.setChecked(true);
    } else {
      autoLoad.setChecked(false);
    }
  } else {
    autoUpdate.setChecked(false);
    if (Settings::isOn(kAutoLoadKey)) {
      if (steps.startLocalLoad) steps.startLocalLoad();
      autoLoad.setChecked(true);
    } else {
      autoLoad.setChecked(false);
    }
  }
  const bool onTop = Settings::isOn("软件置顶");
  ui.setAlwaysOnTop(onTop);
  ui.settingBox(SettingBox::AlwaysOnTop).setChecked(onTop);
  ui.settingBox(SettingBox::DoubleClickToggle).setChecked(Settings::isOn("双击切换"));
  ui.settingBox(SettingBox::DoubleClickCopy).setChecked(Settings::isOn("双击复制"));
  ui.settingBox(SettingBox::IgnoreCertificateErrors).setChecked(Settings::isOn(kIgnoreCertificateErrorsKey));
  ui.settingBox(SettingBox::RecordHistory).setChecked(RecordHistorySetting());
  ui.settingBox(SettingBox::ReuseLinks).setChecked(ReuseLinksSetting());
  if (steps.runUpdateCheck) steps.runUpdateCheck();
}

void OnSettingBoxClicked(Controls& ui, SettingBox box) {
  const bool checked = ui.settingBox(box).isChecked();
  if (box == SettingBox::AlwaysOnTop) ui.setAlwaysOnTop(checked);
  // The change applies now either way; the user hears that it will not outlast the session.
  if (!Settings::write(kSoftwareSection, SettingKeyOf(box), checked ? kOn : kOff))
    ui.setStatusText(kSettingNotSavedText);
}

}  // namespace pindle
