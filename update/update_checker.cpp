#include "update/update_checker.h"

#include "config/builtin_addresses.h"
#include "config/config.h"
#include "config/version.h"
#include "json/json_document.h"
#include "platform/codepage.h"
#include "platform/shell_open.h"
#include "text/text_utils.h"
#include "web/web_request.h"

namespace pindle {
namespace {

bool IsWebAddress(const Text& text) {
  return Left(ToLowerAscii(text), 7) == "http://" || Left(ToLowerAscii(text), 8) == "https://";
}

}  // namespace

void UpdateChecker::run(Controls& ui) { run(ui, VerifyTlsSetting()); }

void UpdateChecker::run(Controls& ui, bool verifyTls) {
  RequestOptions request;
  request.verifyTls = verifyTls;
  request.url = BuiltInUpdateUrl();
  const WebResponse response = WebRequest(request);
  if (response.failed() || response.status >= 400) return;
  const Text text = DecodeLocalText(response.body);
  JsonDocument probe;
  if (!probe.Parse(text) || probe.TypeOf() != JsonType::Object) return;

  // All three fields from the one answer, read as any other caller reads them.
  const Text version = JsonValueAtPath(text, "Version");
  const Text downUrl = JsonValueAtPath(text, "DownUrl");
  const Text plugUrl = JsonValueAtPath(text, "PlugUrl");

  // The cloud list address is worth keeping whatever else the manifest lacks.
  if (!plugUrl.empty()) Settings::write(kSoftwareSection, kPluginListAddressKey, plugUrl);
  // Only a question the user can act on: a version to compare and a page a browser can open.
  if (version.empty() || version == kProgramVersion || !IsWebAddress(downUrl)) return;
  Notice question;
  question.message = "有新版本了！是否前往下载？";
  question.buttons = kButtonsOkCancel;
  if (ui.showNotice(question) == kNoticeOk) ShellOpen(downUrl);
}

}  // namespace pindle
