#include "generate/shorten_trace.h"

#include <cstdio>

#include "generate/pattern_match.h"
#include "generate/plugin_extensions.h"
#include "json/json_error.h"
#include "json/json_path.h"
#include "json/json_text.h"
#include "platform/codepage.h"
#include "plugins/plugin_definition.h"
#include "plugins/plugin_file.h"
#include "text/secret_mask.h"
#include "text/text_utils.h"
#include "web/link_check.h"
#include "web/web_request.h"

namespace pindle {
namespace {

Text Quoted(const Text& text) { return "“" + text + "”"; }

// At most `limit` bytes, never ending inside a UTF-8 character.
Text CutForDisplay(const Text& text, std::size_t limit, bool* cut = nullptr) {
  if (cut) *cut = text.size() > limit;
  if (text.size() <= limit) return text;
  std::size_t end = limit;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

Text Hex(unsigned char b) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "%02X", b);
  return buffer;
}

Text TypeName(const Json& value) {
  switch (value.type()) {
    case Json::value_t::object:
      return "对象";
    case Json::value_t::array:
      return "数组";
    case Json::value_t::string:
      return "字符串";
    case Json::value_t::boolean:
      return "布尔值";
    case Json::value_t::null:
      return "null";
    default:
      return "数";
  }
}

class Explainer {
 public:
  explicit Explainer(ExtractionTrace& trace) : t_(trace) {}

  void step(const Text& line) { t_.steps.push_back(line); }
  void fail(EmptyReason reason, const Text& text) {
    if (t_.reason != EmptyReason::None) return;
    t_.reason = reason;
    t_.reasonText = text;
    step("→ " + text);
  }

  // JsonValueAtPath's reading of `text` at `path`, one step at a time.
  void path(const Text& text, const Text& path) {
    Text oneLine;
    for (const char c : text)
      if (c != '\r' && c != '\n') oneLine.push_back(c);
    const auto parsed = ParseJsonText(oneLine);
    if (!parsed && Trim(oneLine).empty()) {
      fail(EmptyReason::NotJson, "没有可解析的文字，不是 JSON（结果为“JSON解析失败”）");
      return;
    }
    if (!parsed) {
      const auto error = FindJsonSyntaxError(oneLine);
      const std::size_t byte = error ? OriginalOffset(text, error->byte) : 0;
      // The parser's line and column count the answer without its line breaks; the byte below does not.
      Text message = error ? error->message : Text("无法解析");
      if (const auto at = message.find(" at line "), colon = message.find(": ", at);
          at != Text::npos && colon != Text::npos)
        message.erase(at, colon - at);
      fail(EmptyReason::NotJson,
           "不是 JSON（结果为“JSON解析失败”）：" + message + "，在第 " + std::to_string(byte) + " 字节");
      return;
    }
    const Json& root = parsed->value;
    step("按 JSON 解析：成功，最外层是" + TypeName(root));
    if (path.empty()) {
      fail(EmptyReason::EmptyPath, "Response.Parameter 为空：空路径不指向应答中的任何值");
      return;
    }
    const auto keys = ParseAccessors(path[0] == '[' ? path : "." + path);
    if (!keys) {
      fail(EmptyReason::BadPath, "Response.Parameter " + Quoted(path) + " 不是有效的路径写法");
      return;
    }
    Text walked;
    const Json* parent = &root;
    for (std::size_t i = 0; i < keys->size(); ++i) {
      const Text& key = (*keys)[i];
      walked += "[" + JsonStringify(Json(key)) + "]";
      const PathValue v = EvaluatePath(root, walked);
      const Text where = "路径第 " + std::to_string(i + 1) + " 步 " + Quoted(key);
      if (v.kind == PathValue::Kind::Node) {
        step(where + " → " + TypeName(*v.node));
        parent = v.node;
        continue;
      }
      if (v.kind == PathValue::Kind::Number) {
        step(where + " → 长度 " + JsNumberText(v.number));
        continue;
      }
      const Text parentName = parent ? TypeName(*parent) : Text("数");
      if (v.kind == PathValue::Kind::Undefined)
        fail(EmptyReason::NoSuchPath, where + " 找不到：上一层的" + parentName + "没有这个成员");
      else
        fail(EmptyReason::NoSuchPath, where + " 走不下去：上一层是" + parentName + "，不能再取成员");
      return;
    }
    if (parent && parent->is_null()) fail(EmptyReason::NullValue, "路径指向 null，取到的是空文字");
    step("取到的值：" + Quoted(JsonValueAtPath(text, path)));
  }

  // The text between the markers of Response.Prefix; false when there is none.
  bool markers(const Text& answer, const Text& prefix, Text& between) {
    const std::vector<Text> pieces = Split(prefix, "$Url$");
    if (pieces.size() < 2) {
      fail(EmptyReason::NoMarkers, Contains(prefix, "$Url$")
                                       ? "Response.Prefix 中 $Url$ 后面没有文字：没有右标记"
                                       : "Response.Prefix " + Quoted(prefix) + " 里没有 $Url$：分不出左右标记");
      return false;
    }
    const Text left = Replace(pieces[0], "#引号", "\"");
    const Text right = Replace(pieces[1], "#引号", "\"");
    step("左标记 " + Quoted(left) + "，右标记 " + Quoted(right));
    const std::size_t at = answer.find(left);
    if (at == Text::npos) {
      fail(EmptyReason::LeftMarkerMissing, "左标记 " + Quoted(left) + " 在应答中找不到");
      return false;
    }
    step("左标记在第 " + std::to_string(at + 1) + " 字节");
    const std::size_t begin = at + left.size();
    const std::size_t end = answer.find(right, begin);
    if (end == Text::npos) {
      fail(EmptyReason::RightMarkerMissing,
           "右标记 " + Quoted(right) + " 在左标记（第 " + std::to_string(at + 1) + " 字节）之后找不到");
      return false;
    }
    between = answer.substr(begin, end - begin);
    step("两标记之间：" + Quoted(CutForDisplay(between, 1024)));
    if (between.empty()) fail(EmptyReason::EmptyBetween, "两个标记紧挨着，中间没有文字");
    return true;
  }

  void pattern(const Text& answer, const Text& expression) {
    step("正则表达式 " + Quoted(expression));
    const PatternMatch m = MatchPattern(answer, expression);
    switch (m.outcome) {
      case PatternMatch::Outcome::Found:
        step((m.group ? Text("第 1 组") : Text("整个匹配")) + " → " + Quoted(m.value));
        if (m.value.empty()) fail(EmptyReason::GroupUnset, "匹配到的文字为空");
        break;
      case PatternMatch::Outcome::GroupUnset:
        fail(EmptyReason::GroupUnset, "匹配成功，但第 1 组没有参与匹配");
        break;
      case PatternMatch::Outcome::NoMatch:
        fail(EmptyReason::NoMatch, "表达式在应答中没有匹配");
        break;
      case PatternMatch::Outcome::BadPattern:
        fail(EmptyReason::BadPattern,
             "表达式有错：" + m.message + "，在表达式第 " + std::to_string(m.offset) + " 字节");
        break;
      case PatternMatch::Outcome::LimitHit:
        fail(EmptyReason::PatternLimit, "匹配步数超过上限（" + std::to_string(kPatternMatchLimit) +
                                            "），已停止：表达式回溯过多（" + m.message + "）");
        break;
      case PatternMatch::Outcome::EmptyPattern:
        fail(EmptyReason::EmptyPattern, "Response.Pattern 为空");
        break;
    }
  }

 private:
  // The parser counted bytes of the answer without its line breaks; this is the byte in the answer.
  static std::size_t OriginalOffset(const Text& text, std::size_t counted) {
    std::size_t seen = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\r' || text[i] == '\n') continue;
      if (++seen >= counted) return i + 1;
    }
    return text.size();
  }

  ExtractionTrace& t_;
};

}  // namespace

ExtractionTrace TraceExtraction(const ShortenRequest& prepared, const Text& answer) {
  ExtractionTrace t;
  t.result = ExtractPreparedLink(prepared, answer);
  Explainer x(t);
  const ResponseType type = ReadResponseType(prepared.responseType);
  x.step("Response.Type " + Quoted(prepared.responseType));
  switch (type) {
    case ResponseType::Whole:
      x.step("整个应答就是结果");
      if (answer.empty()) x.fail(EmptyReason::EmptyAnswer, "应答为空");
      break;
    case ResponseType::JsonValue:
    case ResponseType::PrefixedJsonValue:
      if (type == ResponseType::PrefixedJsonValue)
        x.step("前缀 " + Quoted(prepared.responsePrefix) + " 加上路径取到的值");
      x.path(answer, prepared.responseParameter);
      break;
    case ResponseType::Between:
    case ResponseType::JsonValueBetween: {
      const bool json = type == ResponseType::JsonValueBetween;
      Text between;
      if (x.markers(answer, prepared.responsePrefix, between) && json) x.path(between, prepared.responseParameter);
      if (json && t.reason == EmptyReason::LeftMarkerMissing) x.step("（空文字不是 JSON，结果为“JSON解析失败”）");
      break;
    }
    case ResponseType::Pattern:
      x.pattern(answer, prepared.responsePattern);
      break;
    case ResponseType::Unknown:
      x.fail(EmptyReason::UnknownType,
             "Response.Type " + Quoted(prepared.responseType) + " 不是 0 到 5 之一，结果为“数据错误！”");
      break;
  }
  if (!prepared.responseResultPrefix.empty())
    x.step("Response.ResultPrefix " + Quoted(prepared.responseResultPrefix) + "：只加在取到的链接前面");
  x.step("结果：" + Quoted(t.result));
  if (t.reason == EmptyReason::None && !IsLink(t.result))
    x.fail(EmptyReason::NotALink,
           t.result.empty() ? Text("结果为空") : "结果 " + Quoted(t.result) + " 不是 http(s) 网址");
  return t;
}

DecodingTrace TraceDecoding(const Bytes& body, const Text& headers, PluginEncoding encoding) {
  DecodingTrace d;
  const AnswerEncoding chosen = ChooseAnswerEncoding(body, headers, encoding);
  if (chosen.cause == AnswerEncodingCause::Declared) {
    d.utf8 = chosen.utf8;
    d.reason = Text("应答头的 Content-Type 声明字符集为 ") + (chosen.utf8 ? "UTF-8" : "GBK");
    return d;
  }
  if (chosen.cause == AnswerEncodingCause::PluginEncoding) {
    d.utf8 = chosen.utf8;
    d.reason = Text("应答头没有声明字符集，按插件的 Encoding（") + (chosen.utf8 ? "UTF-8" : "GBK") + "）读";
    return d;
  }
  // The engine's own evidence, so the trace names exactly what decided the run.
  const Utf8Evidence e = FindUtf8Evidence(body);
  d.utf8 = e.utf8;
  auto bytesAt = [&](std::size_t i, std::size_t count) {
    Text out;
    for (std::size_t k = i; k < i + count && k < body.size(); ++k)
      out += (out.empty() ? "" : " ") + Hex(static_cast<unsigned char>(body[k]));
    return out;
  };
  const Text gbk = "，按 GBK 读";
  const Text where = "第 " + std::to_string(e.at + 1) + " 字节";
  switch (e.kind) {
    case Utf8Evidence::Kind::Empty:
      d.reason = "应答为空";
      break;
    case Utf8Evidence::Kind::ByteOrderMark:
      d.reason = "以 UTF-8 字节顺序标记 EF BB BF 开头";
      break;
    case Utf8Evidence::Kind::BrokenTwoByte:
      d.reason = where + "起 " + bytesAt(e.at, 2) + " 不是 UTF-8 两字节序列" + gbk;
      break;
    case Utf8Evidence::Kind::Sequence:
      d.reason = where + "起 " + bytesAt(e.at, e.length) + (e.utf8 ? " 是 UTF-8 " : " 不是 UTF-8 ") +
                 (e.length == 3 ? "三" : "四") + "字节序列" + (e.utf8 ? "，按 UTF-8 读" : gbk);
      break;
    case Utf8Evidence::Kind::BadLead:
      d.reason = where + " " + Hex(static_cast<unsigned char>(body[e.at])) + " 不能开始 UTF-8 字符" + gbk;
      break;
    case Utf8Evidence::Kind::NoLongSequence:
      d.reason = "没有三字节或四字节的 UTF-8 序列（纯 ASCII 或只有两字节序列）" + gbk;
      break;
  }
  return d;
}

namespace {

ShortenTrace TraceUnmasked(const Text& pluginFile, const Text& longUrl, JsonDocument& document,
                           const ShortenInputs& inputs) {
  ShortenTrace trace;
  ShortenRequest prepared = PrepareShorten(pluginFile, longUrl, document, inputs);
  if (!prepared.send) {
    Explainer x(trace.extraction);
    if (!prepared.notSentReason.empty())
      x.fail(EmptyReason::NotSent, prepared.notSentReason + "：不发请求");
    else if (!ParseJsonText(ReadPluginFileText(pluginFile)))
      x.fail(EmptyReason::NotSent, "插件文件读不到或不是 JSON：不发请求，结果为空");
    else
      x.fail(EmptyReason::NotSent,
             "API.Type " + Quoted(document.GetText(kPluginApiTypeKey)) + " 不是 GET 或 POST：不发请求，结果为空");
    return trace;
  }
  trace.sent = true;
  prepared.request.captureRequest = true;
  const WebResponse response = WebRequest(prepared.request);
  trace.requestCaptured = !response.sentRequest.empty();
  if (trace.requestCaptured) {
    trace.request = CutForDisplay(DecodeLocalText(response.sentRequest), kTraceDisplayLimit);
  } else {
    const RequestOptions& r = prepared.request;
    trace.request = Text(HttpMethodName(r.method.value_or(kGet))) + " " + r.url + "\r\n" + r.extraHeaders.value_or("") +
                    "\r\n\r\n" + (r.postBytes ? *r.postBytes : r.postText.value_or(""));
  }
  trace.failure = response.error;
  const std::vector<Text> lines = Split(response.headers, "\r\n");
  for (const Text& line : lines) {
    if (Trim(line).empty()) continue;
    if (trace.statusLine.empty())
      trace.statusLine = line;
    else
      trace.headerLines.push_back(line);
  }
  trace.bodyBytes = response.body.size();
  trace.decoding = TraceDecoding(response.body, response.headers, prepared.encoding);
  const Text answer = DecodeAnswer(response.body, response.headers, prepared.encoding);
  trace.body = CutForDisplay(answer, kTraceDisplayLimit, &trace.bodyCut);
  trace.extraction = TraceExtraction(prepared, answer);
  if (response.failed()) {
    trace.extraction.reason = EmptyReason::RequestFailed;
    trace.extraction.reasonText = "请求失败：" + response.error;
    return trace;
  }
  // The run's own verdict decides, so a trace never calls a line good that a run fails (a 5xx
  // answer that reads like a link) or the other way round; the steps above explain it.
  Text runReason;
  trace.extraction.result = FinishShorten(prepared, response, &runReason);
  if (runReason.empty()) {
    trace.extraction.reason = EmptyReason::None;
    trace.extraction.reasonText.clear();
  } else if (trace.extraction.reason == EmptyReason::None) {
    Explainer(trace.extraction).fail(EmptyReason::ServiceFailed, runReason);
  }
  return trace;
}

}  // namespace

ShortenTrace TraceShorten(const Text& pluginFile, const Text& longUrl, JsonDocument& document,
                          const ShortenInputs& inputs) {
  ShortenTrace trace = TraceUnmasked(pluginFile, longUrl, document, inputs);
  if (inputs.secrets.empty()) return trace;
  // Whatever the service or the request showed of a secret stays hidden.
  const auto mask = [&](Text& text) { text = MaskSecrets(text, inputs.secrets); };
  mask(trace.request);
  mask(trace.failure);
  mask(trace.statusLine);
  for (Text& line : trace.headerLines) mask(line);
  mask(trace.body);
  for (Text& step : trace.extraction.steps) mask(step);
  mask(trace.extraction.result);
  mask(trace.extraction.reasonText);
  return trace;
}

Text FormatTrace(const ShortenTrace& trace) {
  Text out;
  auto section = [&](const Text& title) { out += (out.empty() ? "" : "\n") + Text("【") + title + "】\n"; };
  auto lines = [&](const Text& text) {
    out += Replace(text, "\r\n", "\n");
    if (!out.empty() && out.back() != '\n') out += "\n";
  };
  if (trace.sent) {
    section(trace.requestCaptured ? "请求（实际发出）" : "请求（没有发出，这是按插件准备的请求）");
    lines(trace.request);
    if (!trace.failure.empty()) {
      section("请求失败");
      lines(trace.failure);
    }
    section("应答");
    if (trace.statusLine.empty()) {
      out += "（没有收到应答）\n";
    } else {
      out += trace.statusLine + "\n";
      for (const Text& h : trace.headerLines) out += h + "\n";
      out += "\n";
      lines(trace.body);
      if (trace.bodyCut)
        out += "……（共 " + std::to_string(trace.bodyBytes) + " 字节，只显示前 " +
               std::to_string(kTraceDisplayLimit / 1024) + " KiB）\n";
    }
    section("解码");
    out += Text(trace.decoding.utf8 ? "UTF-8" : "GBK") + "：" + trace.decoding.reason + "\n";
  }
  section("提取");
  for (std::size_t i = 0; i < trace.extraction.steps.size(); ++i)
    out += std::to_string(i + 1) + ". " + trace.extraction.steps[i] + "\n";
  section("结果");
  if (trace.linkCameOut())
    out += trace.extraction.result + "\n";
  else
    out += "没有得到短网址：" + trace.extraction.reasonText + "\n";
  return out;
}

}  // namespace pindle
