#include "web/multi_transfer.h"

#include <curl/curl.h>

#include <map>

#include "web/curl_global.h"
#include "web/request_exchange.h"
#include "web/web_limits.h"

namespace pindle {

struct MultiTransfer::Impl {
  struct Active {
    std::uint64_t tag;
    std::unique_ptr<RequestExchange> exchange;
  };
  CURLM* multi = nullptr;
  std::vector<CURL*> idle;  // handles whose connections libcurl may reuse
  std::map<CURL*, Active> active;
  std::vector<Finished> ready;  // ended before they could be sent
  bool offerHttp2 = true;

  CURL* takeHandle() {
    if (idle.empty()) return curl_easy_init();
    CURL* curl = idle.back();
    idle.pop_back();
    // As for the kept handle of WebRequest: 7.88's reset would leak its list of cookie files.
    curl_easy_setopt(curl, CURLOPT_COOKIEFILE, nullptr);
    curl_easy_reset(curl);
    return curl;
  }

  void collect(std::vector<Finished>& out) {
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
      if (message->msg != CURLMSG_DONE) continue;
      CURL* curl = message->easy_handle;
      const CURLcode code = message->data.result;
      curl_multi_remove_handle(multi, curl);
      auto it = active.find(curl);
      if (it == active.end()) continue;
      if (it->second.exchange->hopEnded(code)) {
        curl_multi_add_handle(multi, curl);  // the next hop of a redirect
        continue;
      }
      out.push_back({it->second.tag, it->second.exchange->takeResponse()});
      active.erase(it);
      idle.push_back(curl);
    }
  }
};

MultiTransfer::MultiTransfer(int connectionsPerHost, bool offerHttp2) : impl_(std::make_unique<Impl>()) {
  impl_->offerHttp2 = offerHttp2;
  EnsureCurlInitialised();
  impl_->multi = curl_multi_init();
  curl_multi_setopt(impl_->multi, CURLMOPT_PIPELINING, CURLPIPE_MULTIPLEX);
  if (connectionsPerHost > 0)
    curl_multi_setopt(impl_->multi, CURLMOPT_MAX_HOST_CONNECTIONS, static_cast<long>(connectionsPerHost));
}

MultiTransfer::~MultiTransfer() {
  abandonAll();
  for (CURL* curl : impl_->idle) curl_easy_cleanup(curl);
  curl_multi_cleanup(impl_->multi);
}

void MultiTransfer::start(std::uint64_t tag, const RequestOptions& options) { start(tag, options, CurrentWebLimits()); }

void MultiTransfer::start(std::uint64_t tag, const RequestOptions& options, const WebLimits& limits) {
  auto exchange = std::make_unique<RequestExchange>(options, limits);
  CURL* curl = impl_->takeHandle();
  if (!exchange->attach(curl, impl_->offerHttp2)) {
    if (curl) impl_->idle.push_back(curl);
    impl_->ready.push_back({tag, exchange->takeResponse()});
    return;
  }
  impl_->active.emplace(curl, Impl::Active{tag, std::move(exchange)});
  curl_multi_add_handle(impl_->multi, curl);
}

std::vector<MultiTransfer::Finished> MultiTransfer::run(std::chrono::milliseconds timeout) {
  std::vector<Finished> out = std::move(impl_->ready);
  impl_->ready.clear();
  int running = 0;
  curl_multi_perform(impl_->multi, &running);
  impl_->collect(out);
  if (!out.empty()) return out;
  curl_multi_poll(impl_->multi, nullptr, 0, static_cast<int>(timeout.count()), nullptr);
  curl_multi_perform(impl_->multi, &running);
  impl_->collect(out);
  return out;
}

void MultiTransfer::wake() { curl_multi_wakeup(impl_->multi); }

std::size_t MultiTransfer::inFlight() const { return impl_->active.size() + impl_->ready.size(); }

void MultiTransfer::abandonAll() {
  for (auto& [curl, active] : impl_->active) {
    curl_multi_remove_handle(impl_->multi, curl);
    // A handle cut off mid-transfer keeps no connection worth reusing.
    curl_easy_cleanup(curl);
  }
  impl_->active.clear();
  impl_->ready.clear();
}

}  // namespace pindle
