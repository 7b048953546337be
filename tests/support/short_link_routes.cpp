#include "tests/support/short_link_routes.h"

namespace pindle::test {

void ShortLinkRoutes(httplib::Server& s) {
  s.Get("/s/1", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/via", 301); });
  s.Get("/via", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/目标", 302); });
  s.Get("/loop", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/loop", 302); });
  s.Get("/down", [](const httplib::Request&, httplib::Response& res) { res.set_redirect(kDownUrl, 302); });
  s.Get(".*", [](const httplib::Request&, httplib::Response& res) { res.set_content("ok", "text/plain"); });
}

}  // namespace pindle::test
