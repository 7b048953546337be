#include "tests/support/loopback_shortener.h"

#include <chrono>

#include "platform/codepage.h"

namespace pindle::test {

std::string LoopbackShortener::Seen::header(const std::string& name) const {
  const auto it = headers.find(name);
  return it == headers.end() ? std::string() : it->second;
}

LoopbackShortener::LoopbackShortener() {
  // Head and body in one segment, as real services send them; otherwise Nagle's wait on a kept
  // connection adds tens of milliseconds to every request.
  server_.set_tcp_nodelay(true);
  // The request's own number: another may have come in since it did.
  auto counter = [this](const httplib::Request& req) {
    std::lock_guard lock(mutex_);
    const auto it = pending_.find(&req);
    return it == pending_.end() ? 0 : static_cast<int>(it->second);
  };
  server_.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response&) {
    record(req);
    return httplib::Server::HandlerResponse::Unhandled;
  });
  // The body is read only after routing: fill it in before the answer goes out.
  server_.set_post_routing_handler([this](const httplib::Request& req, httplib::Response&) {
    size_t number = 0;
    {
      std::lock_guard lock(mutex_);
      const auto it = pending_.find(&req);
      if (it == pending_.end()) return;
      number = it->second;
      pending_.erase(it);
    }
    seen_.amend(number, [&](Seen& seen) { seen.body = req.body; });
  });
  // is.gd-style plain text.
  server_.Get("/create.php", [this, counter](const httplib::Request& req, httplib::Response& res) {
    if (!req.has_param("url") || req.get_param_value("url").empty()) {
      res.status = 400;
      res.set_content("Error: Please enter a valid URL to shorten", "text/plain");
      return;
    }
    if (req.get_param_value("format") == "json")
      res.set_content("{\"shorturl\":\"" + shortFor(counter(req)) + "\"}", "application/json");
    else if (req.get_param_value("format") == "xml")
      res.set_content("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<output><shorturl>" + shortFor(counter(req)) +
                          "</shorturl></output>",
                      "text/xml");
    else
      res.set_content(shortFor(counter(req)), "text/plain");
  });
  // A service answering with nested JSON and a status.
  server_.Get("/api/shorten", [this, counter](const httplib::Request& req, httplib::Response& res) {
    res.set_content("{\"code\":0,\"data\":{\"short\":\"" + shortFor(counter(req)) + "\",\"hits\":12345}}",
                    "application/json");
  });
  // JSONP.
  server_.Get("/jsonp", [this, counter](const httplib::Request& req, httplib::Response& res) {
    res.set_content("cb({\"u\":\"" + shortFor(counter(req)) + "\"})", "application/javascript");
  });
  // POST form services, JSON answer; the body is echoed back as "echo".
  server_.Post("/post", [this, counter](const httplib::Request& req, httplib::Response& res) {
    res.set_content("{\"url\":\"" + shortFor(counter(req)) + "\",\"len\":" + std::to_string(req.body.size()) + "}",
                    "application/json");
  });
  // Chinese answers: UTF-8 and GBK.
  server_.Get("/utf8", [this, counter](const httplib::Request& req, httplib::Response& res) {
    res.set_content("{\"msg\":\"生成成功\",\"url\":\"" + shortFor(counter(req)) + "/中文\"}",
                    "application/json; charset=utf-8");
  });
  server_.Get("/gbk", [this, counter](const httplib::Request& req, httplib::Response& res) {
    res.set_content(Utf8ToGbk("{\"msg\":\"生成成功\",\"url\":\"" + shortFor(counter(req)) + "/中文\"}"),
                    "application/json; charset=gbk");
  });
  port_ = server_.bind_to_any_port("127.0.0.1");
  thread_ = std::thread([this] { server_.listen_after_bind(); });
  while (!server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

LoopbackShortener::~LoopbackShortener() {
  server_.stop();
  if (thread_.joinable()) thread_.join();
}

std::string LoopbackShortener::base() const { return "http://127.0.0.1:" + std::to_string(port_); }

std::string LoopbackShortener::shortFor(int n) const { return base() + "/s/" + std::to_string(n); }

void LoopbackShortener::record(const httplib::Request& req) {
  const size_t number = seen_.add({req.method, req.target, req.body, req.headers, req.remote_port});
  std::lock_guard lock(mutex_);
  pending_[&req] = number;
}

std::vector<LoopbackShortener::Seen> LoopbackShortener::requests() { return seen_.entries(); }

void LoopbackShortener::clearRequests() {
  seen_.clear();
  std::lock_guard lock(mutex_);
  pending_.clear();
}

}  // namespace pindle::test
