#include "generate/shorten_trace.h"

#include <cstdio>

#include "generate/extraction_observer.h"
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

// The extraction's own account, turned into steps and the first reason no link came out.
class Explainer : public ExtractionObserver {
 public:
  explicit Explainer(ExtractionTrace& trace) : t_(trace) {}

  void step(const Text& line) { t_.steps.push_back(line); }
  void fail(EmptyReason reason, const Text& text) {
    if (t_.reason != EmptyReason::None) return;
    t_.reason = reason;
    t_.reasonText = text;
    step("→ " + text);
  }

  void type(const Text& declared, ResponseType type) override {
    step("Response.Type " + Quoted(declared));
    if (type == ResponseType::Unknown)
      fail(EmptyReason::UnknownType, "Response.Type " + Quoted(declared) + " 不是 0 到 5 之一，结果为“数据错误！”");
  }
  void wholeAnswer(const Text& answer) override {
    step("整个应答就是结果");
    if (answer.empty()) fail(EmptyReason::EmptyAnswer, "应答为空");
  }
  void valuePrefix(const Text& prefix) override { step("前缀 " + Quoted(prefix) + " 加上路径取到的值"); }

  void notJson(const Text& text, const Text& parsed) override {
    // After a missing marker the reading gets nothing to parse; that marker is the reason.
    if (t_.reason != EmptyReason::None) {
      if (Trim(parsed).empty()) step("（空文字不是 JSON，结果为“JSON解析失败”）");
      return;
    }
    if (Trim(parsed).empty()) {
      fail(EmptyReason::NotJson, "没有可解析的文字，不是 JSON（结果为“JSON解析失败”）");
      return;
    }
    const auto error = FindJsonSyntaxError(parsed);
    if (!error) {
      fail(EmptyReason::NotJson, Trim(parsed) == "null" ? Text("应答是 null，当作不是 JSON（结果为“JSON解析失败”）")
                                                        : Text("嵌套过深，不能解析（结果为“JSON解析失败”）"));
      return;
    }
    const std::size_t byte = OriginalOffset(text, error->byte);
    // The parser's line and column count the answer without its line breaks; the byte below does not.
    Text message = error->message;
    if (const auto at = message.find(" at line "), colon = message.find(": ", at);
        at != Text::npos && colon != Text::npos)
      message.erase(at, colon - at);
    fail(EmptyReason::NotJson,
         "不是 JSON（结果为“JSON解析失败”）：" + message + "，在第 " + std::to_string(byte) + " 字节");
  }
  void parsed(const Json& root) override {
    step("按 JSON 解析：成功，最外层是" + TypeName(root));
    parent_ = &root;
    lost_ = false;
  }
  void notAPath(const Text& path) override {
    lost_ = true;
    if (path.empty())
      fail(EmptyReason::EmptyPath, "Response.Parameter 为空：空路径不指向应答中的任何值");
    else
      fail(EmptyReason::BadPath, "Response.Parameter " + Quoted(path) + " 不是有效的路径写法");
  }
  void stepped(std::size_t index, const Text& key, const PathValue& reached) override {
    if (lost_) return;
    const Text where = "路径第 " + std::to_string(index + 1) + " 步 " + Quoted(key);
    switch (reached.kind) {
      case PathValue::Kind::Node:
        step(where + " → " + TypeName(*reached.node));
        parent_ = reached.node;
        return;
      case PathValue::Kind::Number:
        step(where + " → 长度 " + JsNumberText(reached.number));
        parent_ = nullptr;
        return;
      case PathValue::Kind::Undefined:
        fail(EmptyReason::NoSuchPath, where + " 找不到：上一层的" + ParentName() + "没有这个成员");
        break;
      case PathValue::Kind::Error:
        fail(EmptyReason::NoSuchPath, where + " 走不下去：上一层是" + ParentName() + "，不能再取成员");
        break;
    }
    lost_ = true;
  }
  void value(const Text& value) override {
    if (lost_) return;
    if (parent_ && parent_->is_null()) fail(EmptyReason::NullValue, "路径指向 null，取到的是空文字");
    step("取到的值：" + Quoted(value));
  }

  void noMarkers(const Text& prefix) override {
    fail(EmptyReason::NoMarkers, Contains(prefix, "$Url$")
                                     ? "Response.Prefix 中 $Url$ 后面没有文字：没有右标记"
                                     : "Response.Prefix " + Quoted(prefix) + " 里没有 $Url$：分不出左右标记");
  }
  void markers(const Text& answer, const BetweenSpan& span) override {
    step("左标记 " + Quoted(span.left) + "，右标记 " + Quoted(span.right));
    if (span.leftAt == Text::npos) {
      fail(EmptyReason::LeftMarkerMissing, "左标记 " + Quoted(span.left) + " 在应答中找不到");
      return;
    }
    const Text at = std::to_string(span.leftAt + 1);
    step("左标记在第 " + at + " 字节");
    if (!span.found()) {
      fail(EmptyReason::RightMarkerMissing,
           "右标记 " + Quoted(span.right) + " 在左标记（第 " + at + " 字节）之后找不到");
      return;
    }
    const Text between = answer.substr(span.begin, span.end - span.begin);
    step("两标记之间：" + Quoted(CutForDisplay(between, 1024)));
    if (between.empty()) fail(EmptyReason::EmptyBetween, "两个标记紧挨着，中间没有文字");
  }

  void pattern(const Text& expression, const PatternMatch& m) override {
    step("正则表达式 " + Quoted(expression));
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

  void resultPrefix(const Text& prefix) override {
    step("Response.ResultPrefix " + Quoted(prefix) + "：只加在取到的链接前面");
  }
  void result(const Text& link) override {
    t_.result = link;
    step("结果：" + Quoted(link));
    if (t_.reason == EmptyReason::None && !IsLink(link))
      fail(EmptyReason::NotALink, link.empty() ? Text("结果为空") : "结果 " + Quoted(link) + " 不是 http(s) 网址");
  }

 private:
  Text ParentName() const { return parent_ ? TypeName(*parent_) : Text("数"); }

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
  const Json* parent_ = nullptr;
  bool lost_ = false;  // the path led nowhere: the value read is no step of it
};

}  // namespace

ExtractionTrace TraceExtraction(const ShortenRequest& prepared, const Text& answer) {
  ExtractionTrace t;
  Explainer x(t);
  ExtractPreparedLink(prepared, answer, &x);
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
  WebResponse response;
  trace = TraceExchange(prepared, response);
  const Text answer = DecodeAnswer(response.body, response.headers, prepared.encoding);
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

ShortenTrace TraceExchange(ShortenRequest prepared, WebResponse& response) {
  ShortenTrace trace;
  trace.sent = true;
  prepared.request.captureRequest = true;
  response = WebRequest(prepared.request);
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
  return trace;
}

ShortenTrace TraceShorten(const Text& pluginFile, const Text& longUrl, JsonDocument& document,
                          const ShortenInputs& inputs) {
  ShortenTrace trace = TraceUnmasked(pluginFile, longUrl, document, inputs);
  MaskTrace(trace, inputs.secrets);
  return trace;
}

void MaskTrace(ShortenTrace& trace, const std::vector<Text>& secrets) {
  if (secrets.empty()) return;
  // Whatever the service or the request showed of a secret stays hidden.
  const auto mask = [&](Text& text) { text = MaskSecrets(text, secrets); };
  mask(trace.request);
  mask(trace.failure);
  mask(trace.statusLine);
  for (Text& line : trace.headerLines) mask(line);
  mask(trace.body);
  for (Text& step : trace.extraction.steps) mask(step);
  mask(trace.extraction.result);
  mask(trace.extraction.reasonText);
}

Text FormatTrace(const ShortenTrace& trace, const Text& missing) {
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
    out += missing + "：" + trace.extraction.reasonText + "\n";
  return out;
}

}  // namespace pindle
