#pragma once
#include "json/json_document.h"
#include "platform/types.h"

namespace pindle {

// Paths of the keys of a plug-in file, as JsonDocument::GetText takes them.
inline constexpr const char* kPluginNameKey = "Name";
inline constexpr const char* kPluginDeployKey = "Deploy";
inline constexpr const char* kPluginVersionKey = "Version";
inline constexpr const char* kPluginAuthorKey = "Author";
inline constexpr const char* kPluginUpdatedKey = "Updated";
inline constexpr const char* kPluginUpdateUrlKey = "UpdateURL";
inline constexpr const char* kPluginApiTypeKey = "API.Type";
inline constexpr const char* kPluginApiPathKey = "API['API Path']";
inline constexpr const char* kPluginApiDataKey = "API.Data";
inline constexpr const char* kPluginApiHeadersKey = "API.Headers";
inline constexpr const char* kPluginResponseTypeKey = "Response.Type";
inline constexpr const char* kPluginResponseParameterKey = "Response.Parameter";
inline constexpr const char* kPluginResponsePrefixKey = "Response.Prefix";

// Optional keys and placeholders beyond the classic format. A reader that does not know them
// leaves them alone, so a file that uses them still loads everywhere; every classic key keeps its
// meaning.
// In API.Data: the long URL as typed, not percent-encoded (letter case of the name is free, like
// "$Url$"). Inside a JSON body it is written JSON-escaped, so it can stand between quotes.
inline constexpr const char* kRawUrlPlaceholder = "$RawUrl$";
// "json": the POST body is JSON, sent as UTF-8 with "Content-Type: application/json";
// "form": the body is a form, "Content-Type: application/x-www-form-urlencoded".
// Compared without regard to letter case; absent or anything else: as the classic format sends it.
inline constexpr const char* kPluginApiBodyTypeKey = "API.BodyType";
// Response.Type "5": the link is the first capture group of the regular expression in
// Response.Pattern (the whole match when it has no group), searched in the decoded answer.
inline constexpr const char* kPatternResponseType = "5";
inline constexpr const char* kPluginResponsePatternKey = "Response.Pattern";
// Put in front of the link whatever the type, when the extraction yielded one (not the empty
// text and not an error text).
inline constexpr const char* kPluginResponseResultPrefixKey = "Response.ResultPrefix";

// A plug-in file as read key by key: every key in its plain-text form (a number as "%.13g", a
// missing key or null as the empty text; a file that does not parse reads empty everywhere).
// Values are compared as the texts they are: "Response.Type" 1 and "1" read alike, "01" does not.
class PluginDefinition {
 public:
  static PluginDefinition FromFile(const Text& path);
  static PluginDefinition FromText(const Text& text);

  bool parsed() const { return parsed_; }
  // The plain-text form of any key path.
  Text read(const Text& path) const { return document_.GetText(path); }

  Text name() const { return read(kPluginNameKey); }
  Text deploy() const { return read(kPluginDeployKey); }
  Text version() const { return read(kPluginVersionKey); }
  Text author() const { return read(kPluginAuthorKey); }
  Text updated() const { return read(kPluginUpdatedKey); }
  Text updateUrl() const { return read(kPluginUpdateUrlKey); }
  Text apiType() const { return read(kPluginApiTypeKey); }
  Text apiPath() const { return read(kPluginApiPathKey); }
  Text apiData() const { return read(kPluginApiDataKey); }
  Text apiHeaders() const { return read(kPluginApiHeadersKey); }
  Text responseType() const { return read(kPluginResponseTypeKey); }
  Text responseParameter() const { return read(kPluginResponseParameterKey); }
  Text responsePrefix() const { return read(kPluginResponsePrefixKey); }

  const JsonDocument& document() const { return document_; }

 private:
  JsonDocument document_;
  bool parsed_ = false;
};

}  // namespace pindle
