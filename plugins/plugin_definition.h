#pragma once
#include <vector>

#include "config/plugin_field.h"
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
// "form": the body is a form, "Content-Type: application/x-www-form-urlencoded";
// "multipart": the fields of the form in API.Data go out as multipart/form-data text parts.
// Compared without regard to letter case; absent or anything else: as the classic format sends it.
inline constexpr const char* kPluginApiBodyTypeKey = "API.BodyType";
enum class BodyType { Classic, Json, Form, Multipart };
BodyType ReadBodyType(const Text& value);
// "UTF-8" or "GBK" (letter case and the dash free): the code page of every text the file sends
// ($Url$ included) and of an answer that declares no charset. Absent: the file's own texts go out
// as the file holds them, $Url$ as code page 936, and the answer's encoding is guessed.
inline constexpr const char* kPluginEncodingKey = "Encoding";
enum class PluginEncoding { Unset, Utf8, Gbk };
PluginEncoding ReadPluginEncoding(const Text& value);
// A list of {"Name", "Label", "Secret", "Default"}: values the user supplies, put in place of
// "$Field:Name$" in the address, API.Data and API.Headers.
inline constexpr const char* kPluginFieldsKey = "Fields";
inline constexpr const char* kFieldPlaceholderStart = "$Field:";
// In API.Data, the address and the headers: the alias the user asked for, empty when none.
inline constexpr const char* kAliasPlaceholder = "$Alias$";
// The fields of `fields` whose "$Field:Name$" stands in `texts`, in list order.
std::vector<PluginField> FieldsUsedIn(const std::vector<PluginField>& fields, const Text& texts);
// Whether any of the three texts takes the alias (the placeholder's letter case is free).
bool TakesAlias(const Text& address, const Text& data, const Text& headers);
// Response.Type "5": the link is the first capture group of the regular expression in
// Response.Pattern (the whole match when it has no group), searched in the decoded answer.
inline constexpr const char* kPatternResponseType = "5";
// How the link is taken from the decoded answer, by Response.Type (its text exactly: "01" is no
// type): 0 the answer whole, 1 the value at Response.Parameter, 2 that value after
// Response.Prefix, 3 the text between the two markers Response.Prefix holds around "$Url$",
// 4 the value at Response.Parameter of that text, 5 by Response.Pattern; anything else: none.
enum class ResponseType { Whole, JsonValue, PrefixedJsonValue, Between, JsonValueBetween, Pattern, Unknown };
ResponseType ReadResponseType(const Text& value);
inline constexpr const char* kPluginResponsePatternKey = "Response.Pattern";
// Put in front of the link whatever the type, when the extraction yielded one (not the empty
// text and not an error text).
inline constexpr const char* kPluginResponseResultPrefixKey = "Response.ResultPrefix";
// Where the service's own id of the link made stands in the create answer (a JSON path); the
// history keeps it for the link sections' "$Id$".
inline constexpr const char* kPluginResponseIdKey = "Response.Id";

// A plug-in file as read key by key: every key in its plain-text form (a number as "%.13g", a
// missing key or null as the empty text; a file that does not parse reads empty everywhere).
// Values are compared as the texts they are: "Response.Type" 1 and "1" read alike, "01" does not.
class PluginDefinition {
 public:
  static PluginDefinition FromFile(const Text& path);
  static PluginDefinition FromText(const Text& text);
  // A document already parsed (sharing its value).
  static PluginDefinition FromDocument(const JsonDocument& document);

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

  ResponseType responseKind() const { return ReadResponseType(responseType()); }
  BodyType bodyType() const { return ReadBodyType(read(kPluginApiBodyTypeKey)); }
  PluginEncoding encoding() const { return ReadPluginEncoding(read(kPluginEncodingKey)); }
  // The "Fields" list; entries that are not objects with a Name are skipped.
  std::vector<PluginField> fields() const;
  // Whether the address, API.Data or API.Headers take an alias.
  bool usesAlias() const;
  // The fields the address, API.Data or API.Headers use, in the order of the Fields list.
  std::vector<PluginField> usedFields() const;

  const JsonDocument& document() const { return document_; }

 private:
  JsonDocument document_;
  bool parsed_ = false;
};

}  // namespace pindle
