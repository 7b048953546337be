#include "generate/shorten_engine.h"

#include <algorithm>
#include <chrono>

#include "config/settings.h"
#include "generate/extraction_observer.h"
#include "generate/failure_reason.h"
#include "generate/pattern_match.h"
#include "generate/placeholders.h"
#include "generate/plugin_extensions.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "plugins/plugin_definition.h"
#include "plugins/plugin_file.h"
#include "text/percent_encoding.h"
#include "text/secret_mask.h"
#include "text/text_utils.h"
#include "web/content_charset.h"
#include "web/request_target.h"
#include "web/url_helpers.h"
#include "web/web_request.h"

namespace pindle {
namespace {
// In Response.Prefix of the marker types it separates the two markers.
constexpr const char* kUrlPlaceholder = "$Url$";

// The origin of a URL that can be requested; empty for one the request refuses (whose "host"
// may then hold anything, a key included).
Text OriginOfRequest(const Text& url) { return ResolveRequestTarget(url).error.empty() ? UrlOrigin(url) : Text(); }

// Why the request may not go to `url`: a stored secret it uses was given for another origin.
Text MovedKeyReason(const PluginDefinition& plugin, const std::vector<PluginField>& used, const ShortenInputs& inputs,
                    const Text& url) {
  // The origin is worked out only for a key bound to one, which is rare: it costs a parse of the URL.
  std::optional<Text> present;
  for (const PluginField& f : used) {
    const auto bound = inputs.secretOrigins.find(f.name);
    if (bound == inputs.secretOrigins.end() || bound->second.empty() || !inputs.fieldValues.count(f.name)) continue;
    if (!present) present = OriginOfRequest(url);
    if (present->empty()) return {};  // refused by the web layer, which says why
    const std::vector<Text>& origins = bound->second;
    if (std::find(origins.begin(), origins.end(), *present) != origins.end()) continue;
    return KeyMovedReason(plugin.name(), ShownOrigin(origins.front(), *present),
                          ShownOrigin(*present, origins.front()));
  }
  return {};
}
}  // namespace

bool LooksLikeUtf8(const Bytes& body) { return FindUtf8Evidence(body).utf8; }

Utf8Evidence FindUtf8Evidence(const Bytes& body) {
  using Kind = Utf8Evidence::Kind;
  if (body.empty()) return {};
  if (body.compare(0, 3, "\xEF\xBB\xBF") == 0) return {Kind::ByteOrderMark, true, 0, 3};
  const size_t n = body.size();
  auto continuation = [&](size_t i) { return i < n && (static_cast<unsigned char>(body[i]) & 0xC0) == 0x80; };
  for (size_t i = 0; i < n;) {
    const auto b = static_cast<unsigned char>(body[i]);
    if (b < 0x80) {
      ++i;
    } else if (b >= 0xC0 && b <= 0xDF) {
      if (!continuation(i + 1)) return {Kind::BrokenTwoByte, false, i, 2};
      i += 2;
    } else if (b >= 0xE0 && b <= 0xF7) {
      const size_t length = b <= 0xEF ? 3 : 4;
      bool whole = true;
      for (size_t k = 1; k < length; ++k) whole = whole && continuation(i + k);
      return {Kind::Sequence, whole, i, length};
    } else {
      return {Kind::BadLead, false, i, 1};
    }
  }
  return {Kind::NoLongSequence, false, 0, 0};
}

Text Utf8ToLocal(const Bytes& bytes) { return SanitizeUtf8(bytes); }

AnswerEncoding ChooseAnswerEncoding(const Bytes& body, const Text& headers, PluginEncoding encoding) {
  switch (DeclaredCharsetOf(headers)) {
    case DeclaredCharset::Utf8:
      return {true, AnswerEncodingCause::Declared};
    case DeclaredCharset::Gbk:
      return {false, AnswerEncodingCause::Declared};
    case DeclaredCharset::None:
      break;
  }
  if (encoding != PluginEncoding::Unset) return {encoding == PluginEncoding::Utf8, AnswerEncodingCause::PluginEncoding};
  return {LooksLikeUtf8(body), AnswerEncodingCause::Guess};
}

Text DecodeAnswer(const Bytes& body, const Text& headers, PluginEncoding encoding) {
  const Bytes answer = body.substr(0, body.find('\0'));
  if (!ChooseAnswerEncoding(body, headers, encoding).utf8) return GbkToUtf8Text(answer);
  const std::string_view withoutMark =
      answer.compare(0, 3, "\xEF\xBB\xBF") == 0 ? std::string_view(answer).substr(3) : std::string_view(answer);
  return Utf8ToLocal(Bytes(withoutMark));
}

Text ExtractShortUrl(const Text& answer, ResponseType type, const Text& parameter, const Text& prefix,
                     ExtractionObserver* seen) {
  switch (type) {
    case ResponseType::Whole:
      if (seen) seen->wholeAnswer(answer);
      return answer;
    case ResponseType::JsonValue:
      return JsonValueAtPath(answer, parameter, seen);
    case ResponseType::PrefixedJsonValue:
      if (seen) seen->valuePrefix(prefix);
      return prefix + JsonValueAtPath(answer, parameter, seen);
    case ResponseType::Between:
    case ResponseType::JsonValueBetween: {
      const std::vector<Text> markers = Split(prefix, kUrlPlaceholder);
      // Without a left and a right marker there is nothing to look between.
      if (markers.size() < 2) {
        if (seen) seen->noMarkers(prefix);
        return {};
      }
      const BetweenSpan span = FindBetween(answer, markers[0], markers[1]);
      if (seen) seen->markers(answer, span);
      const Text between = span.found() ? answer.substr(span.begin, span.end - span.begin) : Text();
      return type == ResponseType::Between ? between : JsonValueAtPath(between, parameter, seen);
    }
    case ResponseType::Pattern:
    case ResponseType::Unknown:
      break;
  }
  return "数据错误！";
}

Text ExtractShortUrl(const Text& answer, const Text& type, const Text& parameter, const Text& prefix) {
  return ExtractShortUrl(answer, ReadResponseType(type), parameter, prefix);
}

// What a section of a parsed file says of its request: read once for each parse of the file.
struct SectionTexts {
  PluginDefinition plugin;
  Text section;
  BodyType bodyType = BodyType::Classic;
  Text rawData, method, rawAddress, rawHeaders;
  std::vector<PluginField> used;  // the fields its request uses
  Text responseType, responseParameter, responsePrefix, responsePattern, responseResultPrefix, responseId;
};

namespace {

SectionTexts ReadSection(const JsonDocument& document, const Text& section) {
  SectionTexts t;
  t.plugin = PluginDefinition::FromDocument(document);
  t.section = section;
  t.bodyType = ReadBodyType(document.GetText(section + ".BodyType"));
  t.rawData = document.GetText(section + ".Data");
  t.method = document.GetText(section + ".Type");
  t.rawAddress = document.GetText(section + "['API Path']");
  t.rawHeaders = document.GetText(section + ".Headers");
  t.used = section == "API" ? t.plugin.usedFields()
                            : FieldsUsedIn(t.plugin.fields(), t.rawAddress + t.rawData + t.rawHeaders);
  t.responseType = document.GetText(kPluginResponseTypeKey);
  t.responseParameter = document.GetText(kPluginResponseParameterKey);
  t.responsePrefix = document.GetText(kPluginResponsePrefixKey);
  t.responsePattern = document.GetText(kPluginResponsePatternKey);
  t.responseResultPrefix = document.GetText(kPluginResponseResultPrefixKey);
  t.responseId = document.GetText(kPluginResponseIdKey);
  return t;
}

// The request a section of a parsed file describes ("API", or one of the link sections, which
// may also name DELETE); `fileUtf8`: the file was saved in UTF-8.
ShortenRequest PrepareFromTexts(const SectionTexts& t, bool fileUtf8, const Text& longUrl, const ShortenInputs& inputs,
                                const std::map<Text, Text>& linkValues = {}) {
  ShortenRequest prepared;
  const PluginDefinition& plugin = t.plugin;
  const bool api = t.section == "API";
  const BodyType bodyType = t.bodyType;
  prepared.encoding = plugin.encoding();
  prepared.secrets = inputs.secrets;

  // With an Encoding the file says how its texts go out; without one they go out as the file
  // holds them (the encoded long URL is ASCII either way).
  const bool wireUtf8 =
      prepared.encoding == PluginEncoding::Unset ? fileUtf8 : prepared.encoding == PluginEncoding::Utf8;
  PlaceholderValues values;
  values.longUrl = longUrl;
  values.urlUtf8 = prepared.encoding == PluginEncoding::Utf8;
  values.wireUtf8 = wireUtf8;
  values.alias = inputs.alias;
  values.fields = inputs.fieldValues;
  values.link = linkValues;
  const Text data = FillPlaceholders(
      t.rawData, bodyType == BodyType::Json ? PlaceholderPlace::JsonData : PlaceholderPlace::FormData, values);

  const Text& method = t.method;
  RequestOptions& request = prepared.request;
  request.verifyTls = inputs.verifyTls;
  if (wireUtf8) request.utf8Texts = true;
  const Text address = FillPlaceholders(t.rawAddress, PlaceholderPlace::Address, values);
  if (method == "GET" || (!api && method == "DELETE")) {
    request.url = address + data;
    request.method = method == "GET" ? kGet : kDelete;
  } else if (method == "POST") {
    request.url = address;
    request.method = kPost;
    request.postText = data;
  } else {
    return prepared;
  }
  // A value the service needs and does not have: nothing goes out, the line says how to set it.
  const std::vector<PluginField>& used = t.used;
  if (const PluginField* missing = FirstMissingField(used, inputs.fieldValues)) {
    prepared.notSentReason = MissingFieldReason(plugin.name(), *missing, inputs.valueSetting);
    prepared.notSentKind = FailureKind::MissingValue;
    if (const auto problem = inputs.fieldProblems.find(missing->name); problem != inputs.fieldProblems.end())
      prepared.notSentReason += "：" + problem->second;
    return prepared;
  }
  // A key goes only where it was given: an address that moved sends nothing until the user agrees.
  if (Text moved = MovedKeyReason(plugin, used, inputs, request.url); !moved.empty()) {
    prepared.notSentReason = std::move(moved);
    prepared.notSentKind = FailureKind::KeyMoved;
    return prepared;
  }
  // A link section's key goes only where the plug-in's own address points.
  if (!api && std::any_of(used.begin(), used.end(), [&](const PluginField& f) { return f.secret; })) {
    const Text home = OriginOfRequest(
        PrepareFromTexts(ReadSection(plugin.document(), "API"), fileUtf8, "http://a.example/", inputs).request.url);
    const Text here = OriginOfRequest(request.url);
    if (!here.empty() && here != home) {
      prepared.notSentReason = KeyMovedReason(plugin.name(), ShownOrigin(home, here), ShownOrigin(here, home));
      prepared.notSentKind = FailureKind::KeyMoved;
      return prepared;
    }
  }
  if (!inputs.secrets.empty()) request.secrets = inputs.secrets;
  request.extraHeaders = FillPlaceholders(t.rawHeaders, PlaceholderPlace::Header, values);
  ApplyBodyType(bodyType, request);
  prepared.send = true;
  prepared.responseType = t.responseType;
  prepared.responseParameter = t.responseParameter;
  prepared.responsePrefix = t.responsePrefix;
  prepared.responsePattern = t.responsePattern;
  prepared.responseResultPrefix = t.responseResultPrefix;
  prepared.responseId = t.responseId;
  return prepared;
}

ShortenRequest PrepareParsed(const JsonDocument& document, bool fileUtf8, const Text& longUrl,
                             const ShortenInputs& inputs, const Text& section = "API",
                             const std::map<Text, Text>& linkValues = {}) {
  return PrepareFromTexts(ReadSection(document, section), fileUtf8, longUrl, inputs, linkValues);
}

// Whether a file last written at `modifiedNs` may be taken as unchanged while its stamp holds:
// one written within the last second might be written again within the same tick of the file
// system's clock, which the stamp would not show, so its text is read and compared.
bool SettledSince(std::int64_t modifiedNs) {
  const auto now =
      std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch()).count();
  return now - modifiedNs > 1'000'000'000;
}

}  // namespace

ShortenRequest PrepareShorten(const Text& pluginFile, const Text& longUrl, JsonDocument& document,
                              const ShortenInputs& inputs) {
  const PluginFileText file = ReadPluginFile(pluginFile);
  document.Parse(file.text);
  return PrepareParsed(document, file.utf8, longUrl, inputs);
}

Text RequestOrigin(const PluginDefinition& plugin, const std::map<Text, Text>& fieldValues) {
  ShortenInputs inputs;
  inputs.fieldValues = fieldValues;
  const ShortenRequest prepared = PrepareParsed(plugin.document(), true, "http://a.example/", inputs);
  const Text method = plugin.apiType();
  return method == "GET" || method == "POST" ? OriginOfRequest(prepared.request.url) : Text();
}

struct PluginFileCache::Entry {
  std::optional<FileStamp> stamp;
  PluginFileText file;
  SectionTexts api;
};

PluginFileCache::PluginFileCache() = default;
PluginFileCache::~PluginFileCache() = default;

ShortenRequest PluginFileCache::prepare(const Text& pluginFile, const Text& longUrl, const ShortenInputs& inputs) {
  const std::optional<FileStamp> stamp = StampOf(pluginFile);
  std::unique_ptr<Entry>& entry = entries_[pluginFile];
  const bool unchanged = entry && stamp && entry->stamp == stamp && SettledSince(stamp->modifiedNs);
  if (!unchanged) {
    // Read again; parsed again only when the text differs from the last one parsed.
    PluginFileText file = ReadPluginFile(pluginFile);
    if (!entry || entry->file.text != file.text || entry->file.utf8 != file.utf8) {
      JsonDocument document;
      document.Parse(file.text);
      entry = std::make_unique<Entry>(Entry{stamp, std::move(file), ReadSection(document, "API")});
    }
    entry->stamp = stamp;
  }
  return PrepareFromTexts(entry->api, entry->file.utf8, longUrl, inputs);
}

ShortenRequest PrepareSection(const Text& pluginFile, const Text& section, const std::map<Text, Text>& linkValues,
                              const ShortenInputs& inputs) {
  const PluginFileText file = ReadPluginFile(pluginFile);
  JsonDocument document;
  document.Parse(file.text);
  return PrepareParsed(document, file.utf8, {}, inputs, section, linkValues);
}

SectionRequests::SectionRequests(const JsonDocument& document, bool fileUtf8, const Text& section)
    : texts_(std::make_shared<const SectionTexts>(ReadSection(document, section))), fileUtf8_(fileUtf8) {}

ShortenRequest SectionRequests::prepare(const std::map<Text, Text>& linkValues, const ShortenInputs& inputs) const {
  return PrepareFromTexts(*texts_, fileUtf8_, {}, inputs, linkValues);
}

bool SectionRequests::names(const Text& placeholder) const {
  return Contains(texts_->rawAddress + texts_->rawData + texts_->rawHeaders, placeholder, true);
}

ShortenRequest PrepareSection(const JsonDocument& document, bool fileUtf8, const Text& section,
                              const std::map<Text, Text>& linkValues, const ShortenInputs& inputs) {
  return PrepareParsed(document, fileUtf8, {}, inputs, section, linkValues);
}

Text ServiceIdOf(const ShortenRequest& prepared, const WebResponse& response) {
  if (prepared.responseId.empty()) return {};
  const Text id =
      JsonValueAtPath(DecodeAnswer(response.body, response.headers, prepared.encoding), prepared.responseId);
  return id == kJsonParseFailedText ? Text() : id;
}

Text FinishShorten(const ShortenRequest& prepared, const WebResponse& response, Text* reason, FailureKind* kind) {
  // Decode first, then extract, so the plug-in's own texts and markers stay intact.
  const Text answer = DecodeAnswer(response.body, response.headers, prepared.encoding);
  const Text link = ExtractPreparedLink(prepared, answer);
  const FailureKind failure = NoLinkKind(link, response);
  if (kind) *kind = failure;
  // The service may echo the request, keys included. A link has no reason to word.
  if (reason)
    *reason =
        failure == FailureKind::None ? Text() : MaskSecrets(NoLinkReason(link, response, answer), prepared.secrets);
  return prepared.secrets.empty() ? link : MaskSecrets(link, prepared.secrets);
}

Text ExtractPreparedLink(const ShortenRequest& prepared, const Text& answer, ExtractionObserver* seen) {
  const ResponseType type = ReadResponseType(prepared.responseType);
  if (seen) seen->type(prepared.responseType, type);
  Text extracted;
  if (type == ResponseType::Pattern) {
    PatternMatch match = MatchPattern(answer, prepared.responsePattern);
    if (seen) seen->pattern(prepared.responsePattern, match);
    extracted = std::move(match.value);
  } else {
    extracted = ExtractShortUrl(answer, type, prepared.responseParameter, prepared.responsePrefix, seen);
  }
  if (seen && !prepared.responseResultPrefix.empty()) seen->resultPrefix(prepared.responseResultPrefix);
  // Services end their answers with a line break often, and a link never holds one at its ends.
  Text link =
      TrimBlanksAndLineBreaks(WithResultPrefix(TrimBlanksAndLineBreaks(extracted), prepared.responseResultPrefix));
  if (seen) seen->result(link);
  return link;
}

Text ShortenOne(const Text& pluginFile, const Text& longUrl, JsonDocument& document, Text* reason,
                const ShortenInputs& inputs) {
  if (reason) reason->clear();
  const ShortenRequest prepared = PrepareShorten(pluginFile, longUrl, document, inputs);
  if (!prepared.send) {
    if (reason) *reason = prepared.notSentReason.empty() ? NotSentReason() : prepared.notSentReason;
    return {};
  }
  return FinishShorten(prepared, WebRequest(prepared.request), reason);
}

}  // namespace pindle
