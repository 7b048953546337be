#pragma once

namespace pindle {

// What kind of failure a line's reason text says, so that the batch, the fallbacks and the doors
// decide on the kind, never on the words.
enum class FailureKind {
  None,          // a link came out, or the line was skipped
  NoAnswer,      // the exchange failed before an answer (the web layer's reason)
  Certificate,   // the service's certificate was refused
  Http,          // an answer whose status is not 2xx
  NoLink,        // a 2xx answer without a link in it
  MissingValue,  // a field the request uses has no value: nothing was sent
  KeyMoved,      // a stored secret is bound to another address: nothing was sent
  NotSent,       // the plug-in file describes no request
  PluginGone,    // the plug-in left the list while the batch ran: nothing was sent
  LongWait,      // the service asked to wait longer than a batch waits
  Unreadable,    // the line is neither UTF-8 nor GBK text: no plug-in saw it
  Rejected,      // the line cannot be sent otherwise (an alias the plug-in cannot take)
};

// Whether the service would refuse every further line of the batch the same way: the batch
// then sends it no more lines that a fallback can take.
bool RefusesTheBatch(FailureKind kind);

}  // namespace pindle
