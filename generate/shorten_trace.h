#pragma once
#include <cstddef>
#include <vector>

#include "generate/shorten_engine.h"
#include "json/json_document.h"
#include "platform/types.h"

namespace pindle {

// Answers (and captured requests) longer than this are cut for display.
inline constexpr std::size_t kTraceDisplayLimit = 64u * 1024;

// Why a run gave no link. The text beside it in ExtractionTrace names the details.
enum class EmptyReason {
  None,           // a link came out
  NotSent,        // API.Type is neither "GET" nor "POST"
  RequestFailed,  // no answer: the web layer's reason
  EmptyPath,      // Response.Parameter is empty
  BadPath,        // Response.Parameter is not a path
  NoSuchPath,     // a step of the path found nothing
  NullValue,      // the path leads to null
  NotJson,        // the (marked) answer is not JSON
  NoMarkers,      // Response.Prefix yields no left and right marker
  LeftMarkerMissing,
  RightMarkerMissing,  // after the left marker
  EmptyBetween,        // the markers stand next to each other
  EmptyPattern,
  BadPattern,
  PatternLimit,  // the expression was stopped
  NoMatch,
  GroupUnset,
  UnknownType,
  EmptyAnswer,    // type "0" with an empty answer
  NotALink,       // something came out, but it is no http(s) address (web/link_check.h)
  ServiceFailed,  // the answer's status says the service failed (5xx), whatever its text reads
};

struct ExtractionTrace {
  std::vector<Text> steps;  // one line per step, in order
  Text result;              // exactly what the untraced run yields
  EmptyReason reason = EmptyReason::None;
  Text reasonText;  // empty when a link came out
};

// The extraction of a prepared run from a decoded answer, step by step.
ExtractionTrace TraceExtraction(const ShortenRequest& prepared, const Text& answer);

// How an answer is decoded and why.
struct DecodingTrace {
  bool utf8 = false;
  Text reason;
};
DecodingTrace TraceDecoding(const Bytes& body, const Text& headers = {},
                            PluginEncoding encoding = PluginEncoding::Unset);

// One run of ShortenOne with everything it did kept for display.
struct ShortenTrace {
  bool sent = false;
  Text request;                  // as sent: request line, header lines, blank line, body (cut for display)
  bool requestCaptured = false;  // false: the request as prepared (nothing went out)
  Text failure;                  // the web layer's reason when the exchange failed
  Text statusLine;
  std::vector<Text> headerLines;
  Text body;  // decoded, cut at kTraceDisplayLimit
  std::size_t bodyBytes = 0;
  bool bodyCut = false;
  DecodingTrace decoding;
  ExtractionTrace extraction;
  bool linkCameOut() const { return extraction.reason == EmptyReason::None; }
};

// Secrets of `inputs` are shown as •••• wherever they would appear.
ShortenTrace TraceShorten(const Text& pluginFile, const Text& longUrl, JsonDocument& document,
                          const ShortenInputs& inputs = {});

// One exchange of a prepared request, kept for display as TraceShorten keeps it (the request as
// sent, the status, the headers, the decoded body); `response` gets the answer. Masks nothing and
// leaves `extraction` to the caller.
ShortenTrace TraceExchange(ShortenRequest prepared, WebResponse& response);
// Shows `secrets` as •••• wherever the trace holds them.
void MaskTrace(ShortenTrace& trace, const std::vector<Text>& secrets);

// The trace as text for a terminal or a text box; `missing` leads the reason when nothing came out.
Text FormatTrace(const ShortenTrace& trace, const Text& missing = "没有得到短网址");

}  // namespace pindle
