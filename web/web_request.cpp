#include "web/web_request.h"

#include <curl/curl.h>

#include <memory>

#include "web/curl_global.h"
#include "web/request_exchange.h"

namespace pindle {
namespace {

struct EasyDeleter {
  void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
using EasyPtr = std::unique_ptr<CURL, EasyDeleter>;

// The handle kept between requests while a ConnectionReuseScope lives on this thread. libcurl
// keeps a handle's open connections with it; a reset clears every option but keeps the
// connections (and the share, which is therefore set or cleared each time).
thread_local CURL* reusedHandle = nullptr;
thread_local int reuseScopes = 0;

// The handle for one request: the thread's kept one, reset, inside a scope; a fresh one, owned
// by `owner`, outside.
CURL* HandleForRequest(EasyPtr& owner) {
  if (reuseScopes == 0) {
    owner.reset(curl_easy_init());
    return owner.get();
  }
  if (reusedHandle) {
    // libcurl 7.88's reset forgets its list of cookie files without freeing it; clearing the
    // list first (the shared store itself is untouched) keeps a batch from leaking per request.
    curl_easy_setopt(reusedHandle, CURLOPT_COOKIEFILE, nullptr);
    curl_easy_reset(reusedHandle);
  } else {
    reusedHandle = curl_easy_init();
  }
  return reusedHandle;
}

}  // namespace

ConnectionReuseScope::ConnectionReuseScope() { ++reuseScopes; }

ConnectionReuseScope::~ConnectionReuseScope() {
  if (--reuseScopes > 0 || !reusedHandle) return;
  curl_easy_cleanup(reusedHandle);  // closes the connections
  reusedHandle = nullptr;
}

WebResponse WebRequest(const RequestOptions& options) {
  EnsureCurlInitialised();
  RequestExchange exchange(options, CurrentWebLimits());
  EasyPtr owner;
  if (exchange.attach(HandleForRequest(owner))) {
    CURL* const curl = owner ? owner.get() : reusedHandle;
    while (exchange.hopEnded(curl_easy_perform(curl))) {
    }
  }
  return exchange.takeResponse();
}

}  // namespace pindle
