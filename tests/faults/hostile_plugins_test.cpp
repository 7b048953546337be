// A Plug directory full of files no plug-in author would write: the load must list every one of
// them and a generation through any of them must end, with a result, in bounded time.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "app/gui/actions/generate_actions.h"
#include "app/gui/actions/memory_controls.h"
#include "app/gui/actions/plugin_registry.h"
#include "config/app_paths.h"
#include "generate/generate_command.h"
#include "generate/shorten_engine.h"
#include "json/json_document.h"
#include "platform/background.h"
#include "platform/codepage.h"
#include "tests/faults/fault_support.h"
#include "tests/support/loopback_shortener.h"
#include "tests/support/plugin_files.h"
#include "tests/support/temp_dir.h"

namespace pindle {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// A loopback port nobody listens on: bound once, then released.
int DeadLoopbackPort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  socklen_t len = sizeof addr;
  getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
  close(fd);
  return ntohs(addr.sin_port);
}

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

// The JSON text of an ordinary plug-in against `path`, with the value at `key` replaced by the
// raw bytes `raw` (not re-encoded, so invalid UTF-8 and absurd nesting reach the file as they are).
// Keys: "Name", "API", "API.Type", "API Path", "Data", "Headers", "Response", "Response.Type",
// "Parameter", "Prefix".
std::string PluginWith(const std::string& path, const std::string& key, const std::string& raw,
                       const std::string& type = "GET", const std::string& responseType = "0") {
  const std::string marker = "@@HOSTILE@@";
  test::PluginFields fields;
  fields.name = "Hostile";
  fields.path = path;
  fields.type = type;
  fields.responseType = responseType;
  if (key == "Name") fields.name = marker;
  if (key == "API.Type") fields.type = marker;
  if (key == "API Path") fields.path = marker;
  if (key == "Data") fields.data = marker;
  if (key == "Headers") fields.headers = marker;
  if (key == "Response.Type") fields.responseType = marker;
  if (key == "Parameter") fields.parameter = marker;
  if (key == "Prefix") fields.prefix = marker;
  std::string text = test::PluginJson(fields);
  if (key == "API" || key == "Response") {
    // Replace the whole object: from the key to its closing brace at two spaces of indentation.
    const std::string open = "\"" + key + "\": {";
    const size_t start = text.find(open);
    const size_t end = text.find("\n  }", start);
    return text.substr(0, start) + "\"" + key + "\": " + raw + text.substr(end + 4);
  }
  const size_t at = text.find(Quoted(marker));
  return text.replace(at, marker.size() + 2, raw);
}

struct HostileFile {
  std::string name;
  std::string bytes;
};

std::vector<HostileFile> HostileCorpus(const std::string& service, int deadPort) {
  const std::string simple = service + "/create.php?format=simple&";
  const std::string dead = "http://127.0.0.1:" + std::to_string(deadPort) + "/";
  std::vector<HostileFile> files;
  auto add = [&](std::string name, std::string bytes) { files.push_back({std::move(name), std::move(bytes)}); };

  // Every key with every JSON type but the string it should be.
  const std::vector<std::pair<std::string, std::string>> keys = {
      {"Name", "name"},       {"API", "api"},      {"API.Type", "type"},     {"API Path", "path"},
      {"Data", "data"},       {"Headers", "hdrs"}, {"Response", "response"}, {"Response.Type", "rtype"},
      {"Parameter", "param"}, {"Prefix", "prefix"}};
  const std::vector<std::pair<std::string, std::string>> values = {
      {"obj", "{}"},         {"objdeep", "{\"a\":[1,{\"b\":null}],\"Type\":\"GET\"}"},
      {"arr", "[]"},         {"arr2", "[\"GET\",\"POST\",1]"},
      {"zero", "0"},         {"negbig", "-1.5e308"},
      {"overflow", "1e400"}, {"true", "true"},
      {"false", "false"},    {"null", "null"}};
  for (const auto& [key, tag] : keys)
    for (const auto& [vtag, value] : values)
      add("type_" + tag + "_" + vtag + ".json", PluginWith(simple, key, value, "GET", key == "Parameter" ? "1" : "0"));

  // Huge strings.
  const std::string mega(1u << 20, 'a');
  add("huge_name.json", PluginWith(simple, "Name", Quoted(mega)));
  add("huge_data.json", PluginWith(simple, "Data", Quoted(mega + "$Url$")));
  add("huge_data_post.json", PluginWith(service + "/post", "Data", Quoted(mega + "$Url$"), "POST", "1"));
  add("huge_path.json", PluginWith(simple, "API Path", Quoted(service + "/" + mega)));
  add("huge_headers.json", PluginWith(simple, "Headers", Quoted("X-Big: " + mega)));
  add("huge_type.json", PluginWith(simple, "API.Type", Quoted(mega)));
  add("huge_rtype.json", PluginWith(simple, "Response.Type", Quoted(mega)));
  add("huge_param.json", PluginWith(service + "/post", "Parameter", Quoted(mega), "POST", "1"));
  add("huge_prefix.json", PluginWith(simple, "Prefix", Quoted(mega + "$Url$" + mega), "GET", "3"));

  // Deep nesting.
  const size_t depth = 100000;
  const std::string deepArray = std::string(depth, '[') + std::string(depth, ']');
  std::string deepObject;
  for (size_t i = 0; i < depth; ++i) deepObject += "{\"a\":";
  deepObject += "1" + std::string(depth, '}');
  add("deep_name.json", PluginWith(simple, "Name", deepArray));
  add("deep_api.json", PluginWith(simple, "API", deepObject));
  add("deep_response.json", PluginWith(simple, "Response", deepArray));
  add("deep_file.json", deepArray);
  add("deep_file_objects.json", deepObject);
  // Around the parser's nesting limit, in a key no reader asks for.
  for (const int levels : {500, 511, 512, 600}) {
    const std::string extra = std::string(levels, '[') + std::string(levels, ']');
    add("deep_extra_" + std::to_string(levels) + ".json",
        "{\"Extra\": " + extra + "," + PluginWith(simple, "Name", Quoted("Extra")).substr(1));
  }
  add("deep_unclosed.json", std::string(depth, '[') + std::string(depth, '{'));
  add("deep_prefix_answer.json",
      PluginWith(service + "/post", "Parameter", Quoted(std::string(2000, '.')), "POST", "1"));

  // Invalid UTF-8 and code page 936 bytes.
  add("utf8_bad_name.json", PluginWith(simple, "Name", Quoted("\xFF\xFE\xC0\xAF\xED\xA0\x80")));
  add("utf8_bad_data.json", PluginWith(simple, "Data", Quoted("url=$Url$\xF8\x88\x80\x80\x80")));
  add("utf8_bad_type.json", PluginWith(simple, "API.Type", Quoted("GE\xC0T")));
  add("utf8_bad_path.json", PluginWith(simple, "API Path", Quoted(simple + "\xFF\xFE")));
  add("utf8_bad_prefix.json", PluginWith(simple, "Prefix", Quoted("\xE4\xB8$Url$\xE4"), "GET", "3"));
  add("gbk_half_name.json", PluginWith(simple, "Name", Quoted("\xD6")));
  add("gbk_markers.json", PluginWith(simple, "Prefix", Quoted("\xD6\xD0$Url$\xCE\xC4"), "GET", "4"));
  {
    test::PluginFields fields;
    fields.name = "中文插件";
    fields.path = simple;
    fields.prefix = "短网址：$Url$。";
    fields.responseType = "3";
    add("gbk_whole.json", Utf8ToGbk(test::PluginJson(fields)));
  }

  // "$Url$" a thousand times, and markers longer than any answer.
  std::string thousand;
  for (int i = 0; i < 1000; ++i) thousand += "$Url$&";
  add("url_thousand_get.json", PluginWith(simple, "Data", Quoted("url=" + thousand)));
  add("url_thousand_post.json", PluginWith(service + "/post", "Data", Quoted(thousand), "POST", "1"));
  add("url_thousand_mixed_case.json", PluginWith(simple, "Data", Quoted("url=$URL$$url$$uRl$$Url")));
  const std::string long_marker(10000, 'm');
  add("marker_long3.json", PluginWith(simple, "Prefix", Quoted(long_marker + "$Url$" + long_marker), "GET", "3"));
  add("marker_long4.json", PluginWith(simple, "Prefix", Quoted(long_marker + "$Url$" + long_marker), "GET", "4"));
  add("marker_only_url.json", PluginWith(simple, "Prefix", Quoted("$Url$"), "GET", "3"));
  add("marker_urls.json", PluginWith(simple, "Prefix", Quoted("$Url$$Url$$Url$"), "GET", "4"));
  add("marker_none.json", PluginWith(simple, "Prefix", Quoted("http"), "GET", "3"));

  // Zero and 0x1A bytes, raw and escaped.
  const std::string plain = PluginWith(simple, "Name", Quoted("Plain"));
  add("zero_first.json", std::string(1, '\0') + plain);
  add("zero_middle.json", plain.substr(0, plain.size() / 2) + std::string(1, '\0') + plain.substr(plain.size() / 2));
  add("eof_middle.json", plain.substr(0, plain.size() / 2) + "\x1A" + plain.substr(plain.size() / 2));
  add("eof_end.json", plain + "\x1A garbage after the end-of-file byte {[");
  add("escaped_zero_name.json", PluginWith(simple, "Name", Quoted("a\\u0000b")));
  add("escaped_zero_data.json", PluginWith(simple, "Data", Quoted("url=$Url$\\u0000&x=1")));
  add("escaped_zero_path.json", PluginWith(simple, "API Path", Quoted(service + "/create.php\\u0000?format=simple&")));
  add("escaped_zero_headers.json", PluginWith(simple, "Headers", Quoted("X-A: 1\\u0000X-B: 2")));

  // Empty, blank, BOMs, not an object, junk.
  add("empty.json", "");
  add("blank.json", " \r\n\t ");
  add("bom_junk.json", "\xEF\xBB\xBF garbage {{\"Name\": ");
  add("bom_valid.json", "\xEF\xBB\xBF" + PluginWith(simple, "Name", Quoted("带BOM")));
  add("bom_utf16.json", std::string("\xFF\xFE{\0\"\0N\0", 8));
  add("top_array.json", "[" + plain + "]");
  add("top_string.json", "\"GET\"");
  add("top_number.json", "42");
  add("top_null.json", "null");
  add("two_objects.json", plain + plain);
  add("comment.json", "/* comment */" + plain);
  add("truncated.json", plain.substr(0, plain.size() - 5));
  add("duplicate_keys.json", "{\"API\":{\"Type\":\"GET\",\"Type\":\"POST\",\"API Path\":\"" + simple +
                                 "\",\"API Path\":\"" + dead + "\"},\"Name\":\"d\",\"Name\":\"e\"}");

  // Header injection attempts.
  add("hdr_smuggle.json",
      PluginWith(simple, "Headers",
                 Quoted("X-A: 1\\r\\n\\r\\nGET /smuggled HTTP/1.1\\r\\nHost: 127.0.0.1\\r\\n\\r\\n")));
  add("hdr_lf_only.json", PluginWith(simple, "Headers", Quoted("X-A: 1\\nX-B: 2\\n\\nGET /smuggled HTTP/1.1")));
  add("hdr_cr_only.json", PluginWith(simple, "Headers", Quoted("X-A: 1\\rGET /smuggled HTTP/1.1\\r")));
  add("hdr_blank_lines.json", PluginWith(simple, "Headers", Quoted("\\r\\n\\r\\n\\r\\n")));
  add("hdr_content_length.json", PluginWith(simple, "Headers", Quoted("Content-Length: 99999")));
  add("hdr_chunked_post.json", PluginWith(service + "/post", "Headers",
                                          Quoted("Transfer-Encoding: chunked\\r\\nContent-Length: 3"), "POST", "1"));
  add("hdr_no_colon.json", PluginWith(simple, "Headers", Quoted("no colon here\\r\\n: empty name\\r\\nX:")));
  add("path_crlf.json", PluginWith(simple, "API Path", Quoted(service + "/create.php?x\\r\\nX-Evil: 1\\r\\n&")));
  add("path_space.json", PluginWith(simple, "API Path", Quoted(service + "/create.php?format=simple& HTTP/1.0\\r\\n")));

  // Addresses that lead nowhere, or nowhere a shortener lives.
  add("dead_get.json", PluginWith(dead, "Name", Quoted("Dead GET")));
  add("dead_post.json", PluginWith(dead + "post", "Name", Quoted("Dead POST"), "POST", "1"));
  add("dead_ipv6.json", PluginWith("http://[::1]:" + std::to_string(deadPort) + "/?", "Name", Quoted("v6")));
  add("dead_https.json", PluginWith("https://127.0.0.1:" + std::to_string(deadPort) + "/?", "Name", Quoted("tls")));
  add("path_empty.json", PluginWith("", "Name", Quoted("empty path")));
  add("path_relative.json", PluginWith("/create.php?", "Name", Quoted("relative")));
  add("path_no_scheme.json", PluginWith("127.0.0.1:" + std::to_string(deadPort) + "/?", "Name", Quoted("no scheme")));
  add("path_bad_port.json", PluginWith("http://127.0.0.1:99999/?", "Name", Quoted("bad port")));

  // Schemes other than HTTP(S): the request must fail, not read a local file or talk another protocol.
  add("scheme_file.json", PluginWith("file:///etc/passwd", "Data", Quoted("")));
  add("scheme_file_post.json", PluginWith("file:///etc/passwd", "Data", Quoted(""), "POST"));
  for (const char* scheme : {"ftp", "gopher", "dict", "telnet", "ldap", "smtp"})
    add(std::string("scheme_") + scheme + ".json",
        PluginWith(std::string(scheme) + "://127.0.0.1:" + std::to_string(deadPort) + "/", "Data", Quoted("")));

  // Verbs and response types the engine does not know.
  for (const char* verb : {"get", "GET ", "DELETE", "POST\\r\\n", "HEAD"})
    add("verb_" + std::to_string(files.size()) + ".json", PluginWith(simple, "API.Type", Quoted(verb)));
  for (const char* rtype : {"01", " 1", "5", "-1", "1.0", "\\u4E00"})
    add("rtype_" + std::to_string(files.size()) + ".json", PluginWith(simple, "Response.Type", Quoted(rtype)));

  // Larger than any plug-in: 20 MB of name.
  add("huge_20mb.json", PluginWith(simple, "Name", Quoted(std::string(20u << 20, 'z'))));
  return files;
}

bool EndsWithJson(const std::string& name) {
  return name.size() >= 5 && name.compare(name.size() - 5, 5, ".json") == 0;
}

class HostilePluginsTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  test::LoopbackShortener service;
  MemoryControls ui;
  Workers workers;  // after ui: its threads end before ui goes
  test::ShortLimitsScope limits;

  void SetUp() override { SetPaths(AppPaths::FromProgramDirectory(dir.path())); }
  void TearDown() override {
    WaitForDetached(20s);
    SetPaths({});
  }
};

TEST_F(HostilePluginsTest, EveryFileIsListedAndEveryGenerationEnds) {
  const int deadPort = DeadLoopbackPort();
  const std::vector<HostileFile> corpus = HostileCorpus(service.base(), deadPort);
  ASSERT_GE(corpus.size(), 50u);
  for (const auto& f : corpus) dir.write("Plug/" + f.name, f.bytes);
  fs::create_directories(dir.file("Plug/x.json"));  // a directory that looks like a plug-in
  dir.write("Plug/sub/nested.json", "{}");          // in a sub-directory, not in Plug itself: not listed
  dir.write("Plug/readme.txt", "not a plug-in");
  dir.write("Plug/old.json.bak", "{}");

  std::set<std::string> expected;
  for (const auto& entry : fs::directory_iterator(dir.file("Plug")))
    if (entry.is_regular_file() && EndsWithJson(entry.path().filename().string()))
      expected.insert(entry.path().string());

  auto loaded = test::RunBounded(
      [this](Text&) {
        PluginRegistry::load(ui);
        return Text();
      },
      20s);
  ASSERT_TRUE(loaded) << "the plug-in load did not end";
  const auto rows = ui.plugins().rows();
  EXPECT_EQ(rows.size(), expected.size());
  std::set<std::string> listed;
  for (const auto& row : rows) {
    ASSERT_EQ(row.size(), static_cast<size_t>(kPluginColumnCount));
    listed.insert(row[kPluginPathColumn]);
  }
  EXPECT_EQ(listed, expected);

  // One generation through every file, listed or not; each must end well within the limits.
  for (const auto& path : expected) {
    const std::string name = fs::path(path).filename().string();
    auto outcome = test::RunBounded(
        [path](Text& failure) {
          JsonDocument doc;
          return ShortenOne(path, "https://127.0.0.1/a b?c=中", doc, &failure);
        },
        8s);
    ASSERT_TRUE(outcome) << name << ": the generation did not end";
    EXPECT_LT(outcome->took, test::Scaled(5s)) << name;
    if (name.rfind("dead_", 0) == 0 || name.rfind("scheme_", 0) == 0) {
      EXPECT_FALSE(outcome->failure.empty()) << name;
    }
    if (name.rfind("scheme_", 0) == 0) {
      EXPECT_EQ(outcome->result, "") << name;
    }
    // A nested value the reader never asks for does not spoil a plug-in while it parses.
    if (name == "deep_extra_500.json") {
      EXPECT_EQ(outcome->result.rfind(service.base() + "/s/", 0), 0u) << name;
    }
  }

  // The same through the 生成 button, for every plug-in it offers.
  const auto offered = ui.pluginChoice().items();
  EXPECT_FALSE(offered.empty());
  for (int i = 0; i < static_cast<int>(offered.size()); ++i) {
    ui.pluginChoice().setCurrentIndex(i);
    ui.longUrlBox().setText("https://127.0.0.1/x");
    OnGenerateClicked(ui, workers);
    ASSERT_TRUE(WaitForDetached(8s)) << "generation through \"" << offered[static_cast<size_t>(i)].substr(0, 60)
                                     << "\" did not end";
    EXPECT_EQ(ui.results().rows().size(), 1u) << offered[static_cast<size_t>(i)].substr(0, 60);
    EXPECT_EQ(ui.statusText().rfind("网址生成完毕!", 0), 0u) << ui.statusText();
  }

  // Whatever reached the service came through the plug-ins' own addresses: no smuggled request.
  for (const auto& seen : service.requests()) {
    EXPECT_TRUE(seen.target.rfind("/create.php", 0) == 0 || seen.target.rfind("/post", 0) == 0 ||
                seen.target.rfind("/aaaa", 0) == 0)
        << seen.method << " " << seen.target.substr(0, 200);
    EXPECT_EQ(seen.target.find("/smuggled"), std::string::npos);
  }
}

}  // namespace
}  // namespace pindle
