#include "tests/support/link_services.h"

#include <cstdio>
#include <ctime>
#include <nlohmann/json.hpp>

#include "platform/files.h"

namespace pindle::test {
namespace {

using nlohmann::json;

void Json(httplib::Response& res, int status, const json& body) {
  res.status = status;
  res.set_content(body.dump(), "application/json; charset=utf-8");
}

int Param(const httplib::Request& req, const char* name, int fallback) {
  return req.has_param(name) ? std::atoi(req.get_param_value(name).c_str()) : fallback;
}

}  // namespace

LinkServices::LinkServices() : server_([this](httplib::Server& s) { routes(s); }) {}

std::string LinkServices::add(const std::string& target) {
  char code[16];
  std::snprintf(code, sizeof code, "c%05d", next_);
  char id[40];
  std::snprintf(id, sizeof id, "00000000-0000-4000-8000-%012d", next_);
  ++next_;
  links_[code] = {id, code, target, 0};
  return code;
}

void LinkServices::seed(int count) {
  std::lock_guard lock(mutex_);
  for (int i = 0; i < count; ++i) add("http://127.0.0.1/seeded/" + std::to_string(i));
}

void LinkServices::visit(const std::string& code, int times) {
  std::lock_guard lock(mutex_);
  if (auto it = links_.find(code); it != links_.end()) it->second.visits += times;
}

void LinkServices::refuseNext(int count, const std::string& retryAfter) {
  std::lock_guard lock(mutex_);
  refusals_ = count;
  retryAfter_ = retryAfter;
}

void LinkServices::answerPageNext(int count) {
  std::lock_guard lock(mutex_);
  pages_ = count;
}

void LinkServices::routes(httplib::Server& s) {
  s.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
    log_.add(req.method + " " + req.path);
    std::lock_guard lock(mutex_);
    if (pages_ > 0) {
      --pages_;
      res.status = 200;
      res.set_content("<!DOCTYPE html><html><body><h1>Sign in</h1></body></html>", "text/html; charset=utf-8");
      return httplib::Server::HandlerResponse::Handled;
    }
    if (refusals_ <= 0) return httplib::Server::HandlerResponse::Unhandled;
    --refusals_;
    res.set_header("Retry-After", retryAfter_);
    Json(res, 429, {{"error", "Too many requests"}});
    return httplib::Server::HandlerResponse::Handled;
  });
  auto keyed = [](const httplib::Request& req, const char* header, const std::string& prefix) {
    return req.get_header_value(header) == prefix + kLinkServiceKey;
  };

  // Kutt: X-API-KEY; links by their UUID.
  auto kuttRow = [this](const Link& l) {
    return json{{"id", l.id},
                {"address", l.code},
                {"target", l.target},
                {"link", shortLink(l.code)},
                {"visit_count", l.visits}};
  };
  auto kuttFind = [this](const std::string& id) {
    for (auto& [code, l] : links_)
      if (l.id == id) return &l;
    return static_cast<Link*>(nullptr);
  };
  s.Post("/api/v2/links", [=, this](const httplib::Request& req, httplib::Response& res) {
    if (!keyed(req, "X-API-KEY", "")) return Json(res, 401, {{"error", "Unauthorized."}});
    std::lock_guard lock(mutex_);
    const std::string code = add(json::parse(req.body)["target"]);
    Json(res, 201, kuttRow(links_[code]));
  });
  s.Get("/api/v2/links", [=, this](const httplib::Request& req, httplib::Response& res) {
    if (!keyed(req, "X-API-KEY", "")) return Json(res, 401, {{"error", "Unauthorized."}});
    std::lock_guard lock(mutex_);
    const int limit = std::min(Param(req, "limit", 10), 50), skip = Param(req, "skip", 0);
    json data = json::array();
    int i = 0;
    for (const auto& [code, l] : links_)
      if (i++ >= skip && static_cast<int>(data.size()) < limit) data.push_back(kuttRow(l));
    Json(res, 200, {{"total", links_.size()}, {"limit", limit}, {"skip", skip}, {"data", data}});
  });
  s.Get(R"(/api/v2/links/([^/]+)/stats)", [=, this](const httplib::Request& req, httplib::Response& res) {
    if (!keyed(req, "X-API-KEY", "")) return Json(res, 401, {{"error", "Unauthorized."}});
    std::lock_guard lock(mutex_);
    const Link* l = kuttFind(req.matches[1]);
    if (!l) return Json(res, 500, {{"error", "Link could not be found."}});
    json stats = kuttRow(*l);
    // Each period's views oldest first, the last slot now; every visit here is a visit of today.
    for (const auto& [period, slots] :
         {std::pair{"lastDay", 24}, std::pair{"lastWeek", 7}, std::pair{"lastMonth", 30}, std::pair{"lastYear", 12}}) {
      json views = json::array();
      for (int i = 0; i < slots; ++i) views.push_back(i + 1 == slots ? l->visits : 0);
      stats[period] = {{"views", views}, {"total", l->visits}};
    }
    Json(res, 200, stats);
  });
  s.Delete(R"(/api/v2/links/([^/]+))", [=, this](const httplib::Request& req, httplib::Response& res) {
    if (!keyed(req, "X-API-KEY", "")) return Json(res, 401, {{"error", "Unauthorized."}});
    std::lock_guard lock(mutex_);
    const Link* l = kuttFind(req.matches[1]);
    if (!l) return Json(res, 400, {{"error", "Could not find the link."}});
    links_.erase(l->code);
    Json(res, 200, {{"message", "Deleted successfully."}});
  });

  // Shlink: X-Api-Key; links by their short code; errors as problem details.
  auto problem = [](httplib::Response& res, int status, const std::string& title, const std::string& detail) {
    res.status = status;
    res.set_content(
        json{{"type", "https://shlink.io/api/error/x"}, {"title", title}, {"detail", detail}, {"status", status}}
            .dump(),
        "application/problem+json");
  };
  auto shlinkKey = [=](const httplib::Request& req, httplib::Response& res) {
    if (keyed(req, "X-Api-Key", "")) return true;
    problem(res, 401, "Invalid API key", "Provided API key does not exist or is invalid.");
    return false;
  };
  auto shlinkRow = [this](const Link& l) {
    return json{{"shortCode", l.code},
                {"shortUrl", shortLink(l.code)},
                {"longUrl", l.target},
                {"visitsSummary", {{"total", l.visits}, {"nonBots", l.visits}, {"bots", 0}}}};
  };
  s.Post("/rest/v3/short-urls", [=, this](const httplib::Request& req, httplib::Response& res) {
    if (!shlinkKey(req, res)) return;
    std::lock_guard lock(mutex_);
    const std::string code = add(json::parse(req.body)["longUrl"]);
    Json(res, 200, shlinkRow(links_[code]));
  });
  s.Get("/rest/v3/short-urls", [=, this](const httplib::Request& req, httplib::Response& res) {
    if (!shlinkKey(req, res)) return;
    std::lock_guard lock(mutex_);
    const int per = Param(req, "itemsPerPage", 10), page = std::max(Param(req, "page", 1), 1);
    json data = json::array();
    int i = 0;
    for (const auto& [code, l] : links_)
      if (i++ >= (page - 1) * per && static_cast<int>(data.size()) < per) data.push_back(shlinkRow(l));
    const int total = static_cast<int>(links_.size());
    Json(res, 200,
         {{"shortUrls",
           {{"data", data},
            {"pagination",
             {{"currentPage", page},
              {"pagesCount", (total + per - 1) / per},
              {"itemsPerPage", per},
              {"itemsInCurrentPage", data.size()},
              {"totalItems", total}}}}}});
  });
  s.Get(R"(/rest/v3/short-urls/([^/]+)/visits)", [=, this](const httplib::Request& req, httplib::Response& res) {
    if (!shlinkKey(req, res)) return;
    std::lock_guard lock(mutex_);
    const auto it = links_.find(req.matches[1]);
    if (it == links_.end())
      return problem(res, 404, "Short URL not found",
                     "No URL found with short code \"" + std::string(req.matches[1]) + "\"");
    Json(res, 200, {{"visits", {{"data", json::array()}, {"pagination", {{"totalItems", it->second.visits}}}}}});
  });
  s.Delete(R"(/rest/v3/short-urls/([^/]+))", [=, this](const httplib::Request& req, httplib::Response& res) {
    if (!shlinkKey(req, res)) return;
    std::lock_guard lock(mutex_);
    if (links_.erase(req.matches[1]) == 0)
      return problem(res, 404, "Short URL not found",
                     "No URL found with short code \"" + std::string(req.matches[1]) + "\"");
    res.status = 204;
  });

  // YOURLS: signature parameter; its core API has no list and no delete.
  s.Get("/yourls-api.php", [this](const httplib::Request& req, httplib::Response& res) {
    if (req.get_param_value("signature") != kLinkServiceKey)
      return Json(res, 403, {{"message", "Please log in"}, {"errorCode", 403}});
    std::lock_guard lock(mutex_);
    const std::string action = req.get_param_value("action");
    if (action == "shorturl") {
      const std::string code = add(req.get_param_value("url"));
      return Json(res, 200, {{"status", "success"}, {"shorturl", shortLink(code)}, {"statusCode", 200}});
    }
    if (action == "url-stats") {
      const std::string link = req.get_param_value("shorturl");
      const auto it = links_.find(link.substr(link.rfind('/') + 1));
      if (it == links_.end()) return Json(res, 404, {{"statusCode", 404}, {"message", "Error: short URL not found"}});
      return Json(
          res, 200,
          {{"statusCode", 200},
           {"message", "success"},
           {"link", {{"shorturl", shortLink(it->first)}, {"url", it->second.target}, {"clicks", it->second.visits}}}});
    }
    Json(res, 400, {{"errorCode", 400}, {"message", "Unknown or missing \"action\" parameter"}});
  });

  // Bitly: Bearer token; bitlinks as "host/hash"; the group's list pages by a cursor.
  auto bitlyKey = [=](const httplib::Request& req, httplib::Response& res) {
    if (keyed(req, "Authorization", "Bearer ")) return true;
    Json(res, 403, {{"message", "FORBIDDEN"}, {"resource", "bitlinks"}, {"description", "You are not authorized."}});
    return false;
  };
  auto bitlyRow = [this](const Link& l) {
    return json{{"link", shortLink(l.code)}, {"id", "127.0.0.1/" + l.code}, {"long_url", l.target}};
  };
  s.Post("/v4/shorten", [=, this](const httplib::Request& req, httplib::Response& res) {
    if (!bitlyKey(req, res)) return;
    std::lock_guard lock(mutex_);
    const std::string code = add(json::parse(req.body)["long_url"]);
    Json(res, 200, bitlyRow(links_[code]));
  });
  s.Get(R"(/v4/bitlinks/([^/]+)/([^/]+)/clicks/summary)",
        [=, this](const httplib::Request& req, httplib::Response& res) {
          if (!bitlyKey(req, res)) return;
          std::lock_guard lock(mutex_);
          const auto it = links_.find(req.matches[2]);
          if (it == links_.end()) return Json(res, 404, {{"message", "NOT_FOUND"}, {"resource", "bitlinks"}});
          Json(res, 200,
               {{"unit_reference", "2026-12-09T00:00:00+0000"},
                {"total_clicks", it->second.visits},
                {"units", -1},
                {"unit", "day"}});
        });
  // The clicks by day: the imitation counts every visit today.
  s.Get(R"(/v4/bitlinks/([^/]+)/([^/]+)/clicks)", [=, this](const httplib::Request& req, httplib::Response& res) {
    if (!bitlyKey(req, res)) return;
    std::lock_guard lock(mutex_);
    const auto it = links_.find(req.matches[2]);
    if (it == links_.end()) return Json(res, 404, {{"message", "NOT_FOUND"}, {"resource", "bitlinks"}});
    char today[32];
    const std::time_t now = std::time(nullptr);
    std::strftime(today, sizeof today, "%Y-%m-%dT00:00:00+0000", std::localtime(&now));
    json days = json::array();
    if (it->second.visits > 0) days.push_back({{"clicks", it->second.visits}, {"date", today}});
    Json(res, 200, {{"link_clicks", days}, {"units", -1}, {"unit", "day"}, {"unit_reference", today}});
  });
  s.Get(R"(/v4/groups/([^/]+)/bitlinks)", [=, this](const httplib::Request& req, httplib::Response& res) {
    if (!bitlyKey(req, res)) return;
    std::lock_guard lock(mutex_);
    const int size = Param(req, "size", 50);
    const std::string after = req.get_param_value("search_after");
    json links = json::array();
    std::string last;
    for (auto it = after.empty() ? links_.begin() : links_.upper_bound(after);
         it != links_.end() && static_cast<int>(links.size()) < size; ++it) {
      links.push_back(bitlyRow(it->second));
      last = it->first;
    }
    const bool more = !last.empty() && links_.upper_bound(last) != links_.end();
    const std::string next = more ? server_.url("/v4/groups/" + std::string(req.matches[1]) +
                                                "/bitlinks?size=" + std::to_string(size) + "&search_after=" + last)
                                  : "";
    Json(res, 200, {{"links", links}, {"pagination", {{"next", next}, {"size", size}, {"search_after", last}}}});
  });
  s.Delete(R"(/v4/bitlinks/([^/]+)/([^/]+))", [=, this](const httplib::Request& req, httplib::Response& res) {
    if (!bitlyKey(req, res)) return;
    std::lock_guard lock(mutex_);
    if (links_.erase(req.matches[2]) == 0) return Json(res, 404, {{"message", "NOT_FOUND"}, {"resource", "bitlinks"}});
    Json(res, 200, {{"links_deleted", json::array({{{"id", "127.0.0.1/" + std::string(req.matches[2])}}})}});
  });
}

std::string RelocatedStarter(const std::string& file, const std::string& base, const TempDir& dir) {
  auto plugin = json::parse(*ReadWholeFile(Text(PINDLE_SOURCE_DIR) + "/Plug/" + file, 1 << 20));
  for (const char* section : {"API", "Stats", "List", "Delete"}) {
    if (!plugin.contains(section)) continue;
    std::string path = plugin[section]["API Path"];
    if (path.rfind("https://", 0) == 0) path = base + path.substr(path.find('/', 8));
    plugin[section]["API Path"] = path;
  }
  for (auto& field : plugin["Fields"])
    if (field["Name"] == "Server") field["Default"] = base;
  dir.write("Plug/" + file, plugin.dump(2));
  return dir.file("Plug/" + file);
}

}  // namespace pindle::test
