#pragma once
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "config/plugin_field.h"
#include "generate/failure_kind.h"
#include "json/json_document.h"
#include "platform/types.h"
#include "plugins/plugin_definition.h"
#include "web/web_request.h"

namespace pindle {

class ExtractionObserver;

// What a run takes beyond the long URL: the alias asked for and the plug-in's field values.
struct ShortenInputs {
  Text alias;
  // The value in force of each field (stored, else the default), by name.
  std::map<Text, Text> fieldValues;
  // Why a field has no value although one may be stored (the secret store could not be read).
  std::map<Text, Text> fieldProblems;
  // Values never shown: written as •••• in the result, the failure and a trace; and never sent
  // beyond the origin of the request's address (RequestOptions::secrets).
  std::vector<Text> secrets;
  // Where each stored secret was given, by field name: the origins ("scheme://host:port") its
  // value may go to. A request of the plug-in that uses such a field and goes elsewhere is not
  // sent (KeyMovedReason). A field not named here goes wherever the plug-in points.
  std::map<Text, std::vector<Text>> secretOrigins;
  // How a missing value's reason says to set it: the door's own way.
  ValueSetting valueSetting = ValueSetting::Command;
  // Whether certificates are verified: the door's Config::verifyTls (the user's switch).
  bool verifyTls = true;
};

// One long URL through one plug-in: read the plug-in file, build the request it describes with
// the encoded long URL in place of "$Url$", send it, and take the short link out of the answer.
// The result is whatever the extraction yields (also "JSON解析失败" and "数据错误！"), or the
// empty text when no request is sent. `reason` (if given) receives why no link came out
// (generate/failure_reason.h), or is cleared when one did.
Text ShortenOne(const Text& pluginFile, const Text& longUrl, JsonDocument& document, Text* reason = nullptr,
                const ShortenInputs& inputs = {});

// ShortenOne in its two halves, so that a batch can keep several requests in flight and a
// trace can show each step: the request the plug-in file describes, then the reading of the
// answer. `send` is false when the file names no method that is sent (the result is empty).
struct ShortenRequest {
  bool send = false;
  Text notSentReason;  // why a request the file describes was not sent (a field without value)
  FailureKind notSentKind = FailureKind::NotSent;
  PluginEncoding encoding = PluginEncoding::Unset;
  // Values the request carries that are never shown: masked in every reason.
  std::vector<Text> secrets;
  RequestOptions request;
  Text responseType;  // as the file writes it (ReadResponseType tells which it is)
  Text responseParameter;
  Text responsePrefix;
  Text responsePattern;       // Response.Pattern, for Response.Type "5"
  Text responseResultPrefix;  // Response.ResultPrefix
  Text responseId;            // Response.Id: where the service's own id of the link stands
};
ShortenRequest PrepareShorten(const Text& pluginFile, const Text& longUrl, JsonDocument& document,
                              const ShortenInputs& inputs = {});
// PrepareShorten for the lines of a batch: the file is parsed again only when its text changed
// (read again when its StampOf changed or it was written within the last second), so an edit
// during a batch still applies to every line that starts after it, while a file left alone is
// not parsed once a line.
class PluginFileCache {
 public:
  PluginFileCache();
  ~PluginFileCache();
  ShortenRequest prepare(const Text& pluginFile, const Text& longUrl, const ShortenInputs& inputs);

 private:
  struct Entry;
  std::map<Text, std::unique_ptr<Entry>> entries_;
};

// The request of a link section of the plug-in file ("Stats", "List", "Delete"), built as API's
// is, with the link's placeholders (generate/placeholders.h) filled from `linkValues`. Such a
// section may also name DELETE; a secret it uses goes only to the origin of the API's address.
ShortenRequest PrepareSection(const Text& pluginFile, const Text& section, const std::map<Text, Text>& linkValues,
                              const ShortenInputs& inputs);
// The same from a plug-in file parsed already (`fileUtf8`: it was read as UTF-8), for many
// requests of one file.
ShortenRequest PrepareSection(const JsonDocument& document, bool fileUtf8, const Text& section,
                              const std::map<Text, Text>& linkValues, const ShortenInputs& inputs);
// One section of a parsed file with its texts read once, for the many requests of one refresh
// (reading a text walks the document each time).
struct SectionTexts;
class SectionRequests {
 public:
  SectionRequests(const JsonDocument& document, bool fileUtf8, const Text& section);
  // As PrepareSection of the same document, file and section.
  ShortenRequest prepare(const std::map<Text, Text>& linkValues, const ShortenInputs& inputs) const;
  // Whether its address, data or headers name `placeholder` (letter case ignored).
  bool names(const Text& placeholder) const;

 private:
  std::shared_ptr<const SectionTexts> texts_;
  bool fileUtf8_ = false;
};

// The service's own id of the link made, at Response.Id of the answer; empty when none.
Text ServiceIdOf(const ShortenRequest& prepared, const WebResponse& response);
// The link out of an answer; `reason` (if given) as for ShortenOne, `kind` (if given) its kind.
Text FinishShorten(const ShortenRequest& prepared, const WebResponse& response, Text* reason = nullptr,
                   FailureKind* kind = nullptr);

// Where the plug-in's request goes with these field values: the origin (web/url_helpers.h
// UrlOrigin) of its address with the fields filled in, as PrepareShorten builds it; empty when the
// file describes no request (API.Type neither GET nor POST).
Text RequestOrigin(const PluginDefinition& plugin, const std::map<Text, Text>& fieldValues);

// Whether an answer is to be read as UTF-8: a byte-order mark, or a three- or four-byte
// sequence before any invalid byte.
bool LooksLikeUtf8(const Bytes& body);

// What decided LooksLikeUtf8, for a trace to name.
struct Utf8Evidence {
  enum class Kind {
    Empty,
    ByteOrderMark,
    Sequence,        // a three- or four-byte sequence at `at`, `length` bytes: whole or broken
    BrokenTwoByte,   // a two-byte lead at `at` without its continuation
    BadLead,         // a byte at `at` that starts no UTF-8 character
    NoLongSequence,  // only ASCII and two-byte sequences
  };
  Kind kind = Kind::Empty;
  bool utf8 = false;
  std::size_t at = 0;  // 0-based
  std::size_t length = 0;
};
Utf8Evidence FindUtf8Evidence(const Bytes& body);

// UTF-8 bytes as program text (malformed bytes become U+FFFD).
Text Utf8ToLocal(const Bytes& bytes);

// How an answer is read, and what decided it.
enum class AnswerEncodingCause { Declared, PluginEncoding, Guess };
struct AnswerEncoding {
  bool utf8 = false;
  AnswerEncodingCause cause = AnswerEncodingCause::Guess;
};
// The charset the head declares wins; else the plug-in's "Encoding"; else LooksLikeUtf8.
AnswerEncoding ChooseAnswerEncoding(const Bytes& body, const Text& headers, PluginEncoding encoding);

// The answer as program text: up to its first zero byte, without a UTF-8 byte-order mark, in the
// encoding ChooseAnswerEncoding picks.
Text DecodeAnswer(const Bytes& body, const Text& headers = {}, PluginEncoding encoding = PluginEncoding::Unset);

// The classic response types: "0" whole answer, "1" JSON path, "2" prefix + JSON path,
// "3" text between two markers, "4" JSON path inside the text between two markers.
// Any other type (Pattern included, which needs its expression) gives "数据错误！".
Text ExtractShortUrl(const Text& answer, ResponseType type, const Text& parameter, const Text& prefix,
                     ExtractionObserver* seen = nullptr);
Text ExtractShortUrl(const Text& answer, const Text& type, const Text& parameter, const Text& prefix);

// The link as the prepared run reads it from a decoded answer: the classic types, the regular
// expression of type "5" (generate/plugin_extensions.h), then the result prefix. `seen` hears
// each step.
Text ExtractPreparedLink(const ShortenRequest& prepared, const Text& answer, ExtractionObserver* seen = nullptr);

}  // namespace pindle
