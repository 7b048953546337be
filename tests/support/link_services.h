#pragma once
#include <map>
#include <mutex>
#include <string>

#include "tests/support/httplib_server.h"
#include "tests/support/request_log.h"
#include "tests/support/temp_dir.h"

namespace pindle::test {

// Loopback imitations of the services whose made links Pindle counts, lists and deletes, each
// answering as its published API description says: Kutt v2 (/api/v2/links), Shlink
// (/rest/v3/short-urls), YOURLS (/yourls-api.php: shorturl and url-stats only) and Bitly (/v4).
// All four share one server; the key they take is kLinkServiceKey. Short links point here too.
inline constexpr const char* kLinkServiceKey = "K3y-s3cret";

class LinkServices {
 public:
  LinkServices();
  // Links the services hold already, as if made elsewhere: `count` of each, targets
  // http://127.0.0.1/seeded/<n>.
  void seed(int count);
  // One visit to a link (by its code), as a browser's would be counted.
  void visit(const std::string& code, int times = 1);
  // The next `count` requests, whatever they ask, are answered 429 with `Retry-After: retryAfter`.
  void refuseNext(int count, const std::string& retryAfter);
  // The next `count` requests are answered 200 with an HTML page (a proxy's sign-in page), not JSON.
  void answerPageNext(int count);
  std::string base() const { return server_.url(""); }
  // "METHOD path" of every request the services were sent.
  std::vector<std::string> requests() const { return log_.entries(); }

 private:
  struct Link {
    std::string id, code, target;
    long visits = 0;
  };
  void routes(httplib::Server& s);
  std::string add(const std::string& target);  // the code
  std::string shortLink(const std::string& code) const { return server_.url("/" + code); }

  mutable std::mutex mutex_;
  std::map<std::string, Link> links_;  // by code, in code order (codes count up)
  int next_ = 0;
  int refusals_ = 0;
  int pages_ = 0;
  std::string retryAfter_;
  RequestLog<> log_;
  HttplibLoopbackServer server_;
};

// The starter plug-in `file` written to dir's Plug/ with every address of its sections pointing
// at `base` (a self-hosted one's server given as the default of its Server field); its path.
std::string RelocatedStarter(const std::string& file, const std::string& base, const TempDir& dir);

}  // namespace pindle::test
