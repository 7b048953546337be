#include "update/update_checker.h"

#include "config/builtin_addresses.h"
#include "config/config.h"
#include "config/version.h"
#include "json/json_document.h"
#include "platform/codepage.h"
#include "text/text_utils.h"
#include "web/link_check.h"
#include "web/web_request.h"

namespace pindle {
namespace {}  // namespace

UpdateCheckReport UpdateChecker::check(const Text& address, bool verifyTls) {
  UpdateCheckReport report;
  RequestOptions request;
  request.verifyTls = verifyTls;
  request.url = address;
  const WebResponse response = WebRequest(request);
  if (response.failed() || response.status >= 400) return report;
  const Text text = DecodeLocalText(response.body);
  JsonDocument probe;
  if (!probe.Parse(text) || probe.TypeOf() != JsonType::Object) return report;

  // All three fields from the one answer, read as any other caller reads them.
  const Text version = JsonValueAtPath(text, "Version");
  const Text downUrl = JsonValueAtPath(text, "DownUrl");
  const Text plugUrl = JsonValueAtPath(text, "PlugUrl");

  // The cloud list address is worth keeping whatever else the manifest lacks.
  if (!plugUrl.empty()) Settings::write(kSoftwareSection, kPluginListAddressKey, plugUrl);
  // Only an offer the user can act on: a version to compare and a page a browser can open.
  if (!version.empty() && version != kProgramVersion && HasWebScheme(downUrl)) report.downloadPage = downUrl;
  return report;
}

}  // namespace pindle
