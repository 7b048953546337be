#include "generate/shorten_engine.h"

#include "config/settings.h"
#include "generate/failure_reason.h"
#include "generate/pattern_match.h"
#include "generate/plugin_extensions.h"
#include "platform/codepage.h"
#include "plugins/plugin_definition.h"
#include "plugins/plugin_file.h"
#include "text/secret_mask.h"
#include "text/text_utils.h"
#include "web/web_request.h"

namespace pindle {
namespace {
constexpr const char* kUrlPlaceholder = "$Url$";
}

Text PercentEncode(const Text& text, bool keepSafe, bool utf8) {
  if (text.empty()) return {};
  static constexpr char kHex[] = "0123456789ABCDEF";
  const Bytes bytes = utf8 ? Bytes(text) : Utf8ToGbk(text);
  Text out;
  out.reserve(bytes.size() * 3);
  for (const char ch : bytes) {
    const auto b = static_cast<unsigned char>(ch);
    const bool safe =
        b == '-' || b == '.' || (b >= '0' && b <= '9') || (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z');
    if (keepSafe && safe) {
      out.push_back(ch);
    } else {
      out.push_back('%');
      out.push_back(kHex[b >> 4]);
      out.push_back(kHex[b & 0x0F]);
    }
  }
  return out;
}

bool LooksLikeUtf8(const Bytes& body) {
  if (body.empty()) return false;
  if (body.compare(0, 3, "\xEF\xBB\xBF") == 0) return true;
  const size_t n = body.size();
  auto continuation = [&](size_t i) { return i < n && (static_cast<unsigned char>(body[i]) & 0xC0) == 0x80; };
  for (size_t i = 0; i < n;) {
    const auto b = static_cast<unsigned char>(body[i]);
    if (b < 0x80) {
      ++i;
    } else if (b >= 0xC0 && b <= 0xDF) {
      if (!continuation(i + 1)) return false;
      i += 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
      return continuation(i + 1) && continuation(i + 2);
    } else if (b >= 0xF0 && b <= 0xF7) {
      return continuation(i + 1) && continuation(i + 2) && continuation(i + 3);
    } else {
      return false;
    }
  }
  return false;
}

Text Utf8ToLocal(const Bytes& bytes) { return SanitizeUtf8(bytes); }

Text DecodeAnswer(const Bytes& body) {
  const Bytes answer = body.substr(0, body.find('\0'));
  if (!LooksLikeUtf8(body)) return GbkToUtf8Text(answer);
  const std::string_view withoutMark =
      answer.compare(0, 3, "\xEF\xBB\xBF") == 0 ? std::string_view(answer).substr(3) : std::string_view(answer);
  return Utf8ToLocal(Bytes(withoutMark));
}

Text ExtractShortUrl(const Text& answer, const Text& type, const Text& parameter, const Text& prefix) {
  if (type == "0") return answer;
  if (type == "1") return JsonValueAtPath(answer, parameter);
  if (type == "2") return prefix + JsonValueAtPath(answer, parameter);
  if (type == "3" || type == "4") {
    const std::vector<Text> markers = Split(prefix, kUrlPlaceholder);
    // Without a left and a right marker there is nothing to look between.
    if (markers.size() < 2) return {};
    const Text between = TextBetween(answer, markers[0], markers[1]);
    return type == "3" ? between : JsonValueAtPath(between, parameter);
  }
  return "数据错误！";
}

ShortenRequest PrepareShorten(const Text& pluginFile, const Text& longUrl, JsonDocument& document) {
  ShortenRequest prepared;
  const PluginFileText file = ReadPluginFile(pluginFile);
  document.Parse(file.text);
  Text data = document.GetText(kPluginApiDataKey);
  const Text encoded = PercentEncode(longUrl);
  data = Replace(data, kUrlPlaceholder, encoded, 1, -1, /*caseSensitive=*/false);
  // After "$Url$", so that a long URL that itself contains a placeholder is not scanned again.
  const BodyType bodyType = ReadBodyType(document.GetText(kPluginApiBodyTypeKey));
  data = ReplaceRawUrl(data, longUrl, bodyType);

  const Text method = document.GetText(kPluginApiTypeKey);
  RequestOptions& request = prepared.request;
  request.verifyTls = VerifyTlsSetting();
  // The file's own texts go out as the file holds them; the encoded long URL is ASCII either way.
  if (file.utf8) request.utf8Texts = true;
  if (method == "GET") {
    request.url = document.GetText(kPluginApiPathKey) + data;
    request.method = kGet;
  } else if (method == "POST") {
    request.url = document.GetText(kPluginApiPathKey);
    request.method = kPost;
    request.postText = data;
  } else {
    return prepared;
  }
  request.extraHeaders = document.GetText(kPluginApiHeadersKey);
  ApplyBodyType(bodyType, request);
  prepared.send = true;
  prepared.responseType = document.GetText(kPluginResponseTypeKey);
  prepared.responseParameter = document.GetText(kPluginResponseParameterKey);
  prepared.responsePrefix = document.GetText(kPluginResponsePrefixKey);
  prepared.responsePattern = document.GetText(kPluginResponsePatternKey);
  prepared.responseResultPrefix = document.GetText(kPluginResponseResultPrefixKey);
  return prepared;
}

Text FinishShorten(const ShortenRequest& prepared, const WebResponse& response, Text* reason) {
  // Decode first, then extract, so the plug-in's own texts and markers stay intact.
  const Text answer = DecodeAnswer(response.body);
  Text link = ExtractPreparedLink(prepared, answer);
  // The service may echo the request, keys included.
  if (reason) *reason = MaskSecrets(NoLinkReason(link, response, answer), prepared.secrets);
  return link;
}

Text ExtractPreparedLink(const ShortenRequest& prepared, const Text& answer) {
  const Text extracted =
      prepared.responseType == kPatternResponseType
          ? ExtractByPattern(answer, prepared.responsePattern)
          : ExtractShortUrl(answer, prepared.responseType, prepared.responseParameter, prepared.responsePrefix);
  // Services end their answers with a line break often, and a link never holds one at its ends.
  return TrimBlanksAndLineBreaks(WithResultPrefix(TrimBlanksAndLineBreaks(extracted), prepared.responseResultPrefix));
}

Text ShortenOne(const Text& pluginFile, const Text& longUrl, JsonDocument& document, Text* reason) {
  if (reason) reason->clear();
  const ShortenRequest prepared = PrepareShorten(pluginFile, longUrl, document);
  if (!prepared.send) {
    if (reason) *reason = NotSentReason();
    return {};
  }
  return FinishShorten(prepared, WebRequest(prepared.request), reason);
}

}  // namespace pindle
