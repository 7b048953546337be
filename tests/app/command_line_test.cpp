#include <gtest/gtest.h>
#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <random>
#include <thread>

#include "generate/shorten_engine.h"
#include "platform/codepage.h"
#include "tests/support/echo_service.h"
#include "tests/support/httplib_server.h"
#include "tests/support/line_process.h"
#include "tests/support/loopback_shortener.h"
#include "tests/support/plugin_files.h"
#include "tests/support/process.h"
#include "tests/support/program_copy.h"
#include "tests/support/xvfb_display.h"
#include "text/percent_encoding.h"

#ifdef PINDLE_BINARY

namespace pindle {
namespace {

// The program copied into a fresh directory, so its Plug/ and Setting.ini are the test's own.
class CommandLineTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  test::LoopbackShortener service;
  std::string program;

  void SetUp() override {
    program = dir.file("pindle");
    test::CopyProgram(PINDLE_BINARY, program);
    test::WritePlugin(dir, "isgd.json", {.name = "Is.gd", .path = service.base() + "/create.php?format=simple&"});
    test::WritePlugin(dir, "json.json",
                      {.name = "JSON短链",
                       .path = service.base() + "/create.php?",
                       .data = "format=json&url=$Url$",
                       .responseType = "1",
                       .parameter = "shorturl"});
    test::WritePlugin(dir, "off.json", {.name = "关掉的", .path = service.base() + "/create.php?format=simple&"});
    dir.write("Setting.ini", Utf8ToGbk("[插件开关]\r\n关掉的=否\r\n"));
  }

  // No display and no offscreen platform: a subcommand must not need either.
  std::map<std::string, std::string> env() { return {{"PATH", "/usr/bin:/bin"}, {"HOME", dir.path()}}; }

  test::ProcessResult run(std::vector<std::string> args, const std::string& input = "") {
    args.insert(args.begin(), program);
    return test::RunProcess(args, env(), input);
  }
  // First enabled plug-in in directory order is not fixed, so most tests name one.
};

TEST_F(CommandLineTest, ShortensArgumentsAndStandardInput) {
  auto r = run({"shorten", "-p", "is.GD", "-j", "1", "https://a.example/1", "https://a.example/2"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, service.shortFor(1) + "\n" + service.shortFor(2) + "\n");
  EXPECT_EQ(r.err, "");
  const auto seen = service.requests();
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].remotePort, seen[1].remotePort) << "the batch keeps its connection";

  service.clearRequests();
  r = run({"shorten", "-p", "JSON短链", "-j", "1"}, "https://b/1\r\nhttps://b/中\n");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, service.shortFor(1) + "\n" + service.shortFor(2) + "\n");
  ASSERT_EQ(service.requests().size(), 2u);
  EXPECT_NE(service.requests()[1].target.find("%D6%D0"), std::string::npos);
}

TEST_F(CommandLineTest, TsvAndJsonOutput) {
  auto r = run({"shorten", "-p", "Is.gd", "--tsv", "https://a"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "https://a\t" + service.shortFor(1) + "\tIs.gd\n");
  r = run({"shorten", "-p", "Is.gd", "-j", "1", "--json", "https://b", " "});
  EXPECT_EQ(r.exitCode, 0);
  std::vector<nlohmann::json> lines;
  std::istringstream in(r.out);
  for (std::string line; std::getline(in, line);) lines.push_back(nlohmann::json::parse(line));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0]["long"], "https://b");
  EXPECT_EQ(lines[0]["short"], service.shortFor(2));
  EXPECT_EQ(lines[0]["plugin"], "Is.gd");
  EXPECT_EQ(lines[0]["ok"], true);
  EXPECT_EQ(lines[1]["ok"], true);  // a blank line is sent nowhere and fails nothing
  EXPECT_EQ(lines[1]["skipped"], true);
}

TEST_F(CommandLineTest, ExitCodesAndMessages) {
  struct Case {
    std::vector<std::string> args;
    std::string input;
    int exitCode;
    std::string outHas, errHas;
  } cases[] = {
      {{"shorten", "-p", "nope", "https://a"}, "", 2, "", "已启用的插件"},
      {{"shorten", "-p", "关掉的", "https://a"}, "", 2, "", "没有已启用的插件叫“关掉的”"},
      {{"shorten", "-p", "Is.gd"}, "https://a\n \t\nhttps://b\n", 0, "", ""},  // blank lines are not sent
      {{"shorten", "--bogus"}, "", 2, "", "未知选项"},
      {{"shorten", "-p"}, "", 2, "", "-p 后面需要插件名"},
      {{"shorten", "-j", "0", "https://a"}, "", 2, "", "-j 后面需要 1 到 64 的并发数"},
      {{"shorten", "-j"}, "", 2, "", "-j 后面需要"},
      {{"frobnicate"}, "", 2, "", "“frobnicate”不是命令，也不是窗口能打开的网址或文件"},
      {{"shortn", "https://a"}, "", 2, "", "“shortn”不是命令，也不是窗口能打开的网址或文件。是不是要用 shorten？"},
      {{"--version"}, "", 0, "2.4.4.1\n", ""},
      {{"--help"}, "", 0, "shorten", ""},
      {{"shorten", "--help"}, "", 0, "用法: pindle shorten", ""},
      {{"enable"}, "", 2, "", "用法: pindle enable"},
      {{"enable", "没有这个"}, "", 2, "", "本地插件："},
  };
  for (const auto& c : cases) {
    const auto r = run(c.args, c.input);
    EXPECT_EQ(r.exitCode, c.exitCode) << c.args[0] << " " << r.err;
    EXPECT_NE(r.out.find(c.outHas), std::string::npos) << r.out;
    EXPECT_NE(r.err.find(c.errHas), std::string::npos) << r.err;
  }
  // A blank line keeps its place in the output, plain and --tsv, and is not sent.
  service.clearRequests();
  auto r = run({"shorten", "-p", "Is.gd", "-j", "1"}, "https://a\n\n  \r\nhttps://b\n");
  EXPECT_EQ(r.out, service.shortFor(1) + "\n\n\n" + service.shortFor(2) + "\n");
  EXPECT_EQ(r.err, "");
  r = run({"shorten", "-p", "Is.gd", "--tsv"}, "\nhttps://c\n");
  EXPECT_EQ(r.out, "\nhttps://c\t" + service.shortFor(3) + "\tIs.gd\n");
  EXPECT_EQ(service.requests().size(), 3u);
}

// A failed line names the status and the service's own words, on standard error and in --json;
// a 5xx is no link whatever it says, a 4xx may carry one.
TEST_F(CommandLineTest, FailedLinesSayWhatTheServiceSaid) {
  const struct Case {
    const char* longUrl;
    int status;
    const char* body;
    const char* plugin;  // "Text" takes the whole answer, "Json" reads "shorturl"
    std::string output;  // plain output line
    std::string reason;  // "" : a link
  } cases[] = {
      {"https://a/busy", 503, "error:concurrency", "Json", "", "HTTP 503：error:concurrency"},
      {"https://a/login", 401, R"({"message":"Please log in"})", "Json", "", "HTTP 401：Please log in"},
      {"https://a/had", 400, R"({"shorturl":"http://127.0.0.1/old"})", "Json", "http://127.0.0.1/old", ""},
      {"https://a/httpd", 500, "httpd: internal server error", "Text", "", "HTTP 500：httpd: internal server error"},
      {"https://a/looks", 500, "http://127.0.0.1/s/1", "Text", "", "HTTP 500：http://127.0.0.1/s/1"},
      {"https://a/empty", 200, R"({"error":"bad url"})", "Json", "", "服务没有返回短网址：bad url"},
  };
  test::HttplibLoopbackServer answers([&](httplib::Server& server) {
    server.Get("/s", [&](const httplib::Request& req, httplib::Response& res) {
      for (const Case& c : cases)
        if (req.get_param_value("url") == c.longUrl) {
          res.status = c.status;
          res.set_content(c.body, "text/plain");
        }
    });
  });
  test::WritePlugin(dir, "text.json", {.name = "Text", .path = answers.url("/s?")});
  test::WritePlugin(dir, "jsonp.json",
                    {.name = "Json", .path = answers.url("/s?"), .responseType = "1", .parameter = "shorturl"});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.longUrl);
    auto r = run({"shorten", "-p", c.plugin, c.longUrl});
    EXPECT_EQ(r.exitCode, c.reason.empty() ? 0 : 1);
    EXPECT_EQ(r.out, c.output + "\n");
    EXPECT_EQ(r.err, c.reason.empty() ? "" : "第 1 行（" + std::string(c.longUrl) + "）失败：" + c.reason + "\n");
    r = run({"shorten", "-p", c.plugin, "--json", c.longUrl});
    const auto line = nlohmann::json::parse(r.out);
    EXPECT_EQ(line["ok"], c.reason.empty());
    EXPECT_EQ(line.value("error", ""), c.reason);
  }
  // A 10 MB line is named by its size, not echoed.
  const auto r = run({"shorten", "-p", "Text"}, "https://a/" + std::string(10 << 20, 'x') + "\n");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("失败：网址太长（30.0 MB）"), std::string::npos) << r.err.substr(0, 300);
  EXPECT_LT(r.err.size(), 1000u);
}

// Answers holding line breaks, tabs and escape sequences: one output line per input line, three
// fields per TSV line, nothing a terminal would act on.
TEST_F(CommandLineTest, ControlCharactersInAnswersNeverReachTheOutput) {
  const std::map<std::string, std::string> answers = {
      {"https://a/1", "http://127.0.0.1/s/1\nhttp://127.0.0.1/s/2"},
      {"https://a/2", "http://127.0.0.1/s/\t3"},
      {"https://a/3", "\x1b[2Jhttp://127.0.0.1/s/4"},
      {"https://a/4", "http://127.0.0.1/s/5\r\n"},
      {"https://a/5\x1b[1m", "http://127.0.0.1/s/6"},
  };
  test::HttplibLoopbackServer server([&](httplib::Server& s) {
    s.Get("/s", [&](const httplib::Request& req, httplib::Response& res) {
      const auto it = answers.find(req.get_param_value("url"));
      res.set_content(it == answers.end() ? "" : it->second, "text/plain");
    });
  });
  test::WritePlugin(dir, "text.json", {.name = "Text", .path = server.url("/s?")});
  std::string input;
  for (const auto& [longUrl, answer] : answers) input += longUrl + "\n";
  auto r = run({"shorten", "-p", "Text", "-j", "1"}, input);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "\n\n\nhttp://127.0.0.1/s/5\nhttp://127.0.0.1/s/6\n");
  EXPECT_EQ(r.err.find('\x1b'), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("第 1 行（https://a/1）失败：服务返回：http://127.0.0.1/s/1 http://127.0.0.1/s/2\n"),
            std::string::npos)
      << r.err;
  r = run({"shorten", "-p", "Text", "-j", "1", "--tsv"}, input);
  EXPECT_EQ(r.out,
            "https://a/1\thttp://127.0.0.1/s/1\\nhttp://127.0.0.1/s/2\tText\n"
            "https://a/2\thttp://127.0.0.1/s/\\t3\tText\n"
            "https://a/3\t\\x1b[2Jhttp://127.0.0.1/s/4\tText\n"
            "https://a/4\thttp://127.0.0.1/s/5\tText\n"
            "https://a/5\\x1b[1m\thttp://127.0.0.1/s/6\tText\n");
}

// Input lines and the echo service's answer for each, one output line per input line.
struct EchoBatch {
  std::string input, output;
  explicit EchoBatch(int lines) {
    for (int n = 1; n <= lines; ++n) {
      const std::string url = "https://e/" + std::to_string(n);
      input += url + "\n";
      output += test::EchoService::echo("/x?url=" + PercentEncode(url)) + "\n";
    }
  }
};

TEST_F(CommandLineTest, BatchesInLineOrderInterruptedAndLarge) {
  // Early lines answer last: the output still follows the input.
  test::EchoService slowFirst([](const std::string& target) {
    std::string digits;  // the line number, each digit sent as %3X
    for (size_t i = target.rfind("%2F") + 3; i + 2 < target.size() + 1; i += 3) digits += target[i + 2];
    return (13 - std::stoi(digits)) * 5;
  });
  test::WritePlugin(dir, "echo.json", {.name = "Echo", .path = slowFirst.url("/x?")});
  EchoBatch twelve(12);
  auto r = run({"shorten", "-p", "Echo", "-j", "4"}, twelve.input);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, twelve.output);
  EXPECT_EQ(slowFirst.mostOpenAtOnce(), 4);

  // Ctrl-C while line 4 waits for its answer: lines 1 to 3 printed, in order, exit 130.
  test::EchoService stalls(
      [](const std::string& target) { return target.find("%34") != std::string::npos ? 3000 : 0; });
  test::WritePlugin(dir, "echo.json", {.name = "Echo", .path = stalls.url("/x?")});
  EchoBatch six(6);
  r = test::RunProcess({program, "shorten", "-p", "Echo", "-j", "1"}, env(), six.input, 20000,
                       [&] { return stalls.requests() >= 4; });
  EXPECT_EQ(r.exitCode, 130) << r.err;
  EXPECT_EQ(r.out, EchoBatch(3).output);
  EXPECT_NE(r.err.find("已停止生成：完成 3 / 6 行"), std::string::npos) << r.err;

  // A batch larger than anything in flight at once: every line gets its output line (the
  // 100,000-line batch is in bench/batch_cli_bench.sh).
  test::EchoService quick;
  test::WritePlugin(dir, "echo.json", {.name = "Echo", .path = quick.url("/x?")});
  EchoBatch large(2000);
  r = test::RunProcess({program, "shorten", "-p", "Echo"}, env(), large.input, 300000);
  EXPECT_EQ(r.exitCode, 0) << r.err.substr(0, 500);
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 2000);
  EXPECT_TRUE(r.out == large.output);
}

// Standard input is read as the batch goes: a program feeding it a line at a time gets each
// result before it writes the next, and the end of the input ends the batch.
TEST_F(CommandLineTest, ReadsItsInputAndWritesItsOutputAsItGoes) {
  test::LineProcess shorten({program, "shorten", "-p", "Is.gd", "-j", "1"}, env());
  shorten.send("https://a/1");  // its answer comes before the next line is written
  EXPECT_EQ(shorten.take("http"), service.shortFor(1));
  shorten.send("https://a/2");
  EXPECT_EQ(shorten.take("http"), service.shortFor(2));
  shorten.send("https://a/3");
  EXPECT_EQ(shorten.take("http"), service.shortFor(3));
  shorten.closeInput();
  EXPECT_EQ(shorten.wait(std::chrono::seconds(10)), 0);
}

// Without a display (the environment has none), whatever would open the window says so in one
// line and ends with 2, instead of the toolkit's abort.
TEST_F(CommandLineTest, WindowWithoutDisplaySaysSo) {
  struct Case {
    const char* label;
    std::vector<std::string> args;
    std::string variable, value;  // a display variable that names nothing reachable
  } cases[] = {
      {"plain", {}, "", ""},
      {"an address for the box", {"https://a.example/1"}, "", ""},
      {"a file for the box", {dir.file("Setting.ini")}, "", ""},
      {"an X display that is not there", {}, "DISPLAY", ":97"},
      {"a Wayland display that is not there", {}, "WAYLAND_DISPLAY", "wayland-97"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    auto e = env();
    e["XDG_RUNTIME_DIR"] = dir.path();
    if (!c.variable.empty()) e[c.variable] = c.value;
    std::vector<std::string> argv = c.args;
    argv.insert(argv.begin(), program);
    const auto r = test::RunProcess(argv, e);
    EXPECT_EQ(r.exitCode, 2) << r.err;
    EXPECT_EQ(r.signal, 0);
    EXPECT_EQ(r.err,
              "pindle: 没有可连接的图形显示（DISPLAY / WAYLAND_DISPLAY），窗口打不开；不用窗口请用命令行，见 pindle "
              "--help\n");
  }
}

// Sets the clipboard through xclip, as another program would, and waits until it reads back.
bool SetClipboardWithXclip(const test::TempDir& dir, const std::string& display, const std::string& text) {
  dir.write("clip.txt", text);
  const std::map<std::string, std::string> e{{"PATH", "/usr/bin:/bin"}, {"DISPLAY", display}};
  test::WaitProcess(test::StartProcess({"/usr/bin/xclip", "-selection", "clipboard", "-i", dir.file("clip.txt")}, e));
  for (int i = 0; i < 100; ++i) {
    if (test::RunProcess({"/usr/bin/xclip", "-selection", "clipboard", "-o"}, e, "", 5000).out == text) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

std::string ReadClipboardWithXclip(const std::string& display) {
  return test::RunProcess({"/usr/bin/xclip", "-selection", "clipboard", "-o"}, {{"DISPLAY", display}}, "", 5000).out;
}

TEST_F(CommandLineTest, ShortensTheClipboardAndLeavesTheLinkThere) {
  if (!test::ProgramInstalled("xclip")) GTEST_SKIP() << "xclip is not installed";
  test::XvfbDisplay x;
  ASSERT_TRUE(x.running());
  auto e = env();
  e["DISPLAY"] = x.name();

  ASSERT_TRUE(SetClipboardWithXclip(dir, x.name(), " https://long.example/路径?q=1\n"));
  auto r = test::RunProcess({program, "shorten", "--clipboard", "-p", "Is.gd"}, e);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, service.shortFor(1) + "\n");
  ASSERT_EQ(service.requests().size(), 1u);
  // The blanks and the line end around the copied address are not part of it.
  EXPECT_EQ(service.requests()[0].target,
            "/create.php?format=simple&url=" + PercentEncode("https://long.example/路径?q=1"));
  // The command has ended: the link is still there, and stays for a second reader.
  EXPECT_EQ(ReadClipboardWithXclip(x.name()), service.shortFor(1));
  EXPECT_EQ(ReadClipboardWithXclip(x.name()), service.shortFor(1));
  // Recorded like any other pass.
  EXPECT_NE(run({"history", "--limit", "1"}).out.find(service.shortFor(1)), std::string::npos);

  struct Case {
    const char* label;
    std::string clipboard;
    std::vector<std::string> args;
    int exitCode;
    std::string errHas;
  } cases[] = {
      {"no address",
       "just some words",
       {"shorten", "--clipboard"},
       1,
       "剪贴板上不是一个 http(s) 网址：just some words"},
      {"two lines", "https://a.example/1\nhttps://a.example/2", {"shorten", "--clipboard"}, 1, "不是一个 http(s) 网址"},
      {"ftp", "ftp://a.example/", {"shorten", "--clipboard"}, 1, "不是一个 http(s) 网址"},
      {"addresses given as well", "https://a.example/", {"shorten", "--clipboard", "https://b"}, 2, "不再另给网址"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    service.clearRequests();
    ASSERT_TRUE(SetClipboardWithXclip(dir, x.name(), c.clipboard));
    std::vector<std::string> argv = c.args;
    argv.insert(argv.begin(), program);
    argv.insert(argv.end(), {"-p", "Is.gd"});
    r = test::RunProcess(argv, e);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
    EXPECT_NE(r.err.find(c.errHas), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(service.requests().empty());
    EXPECT_EQ(ReadClipboardWithXclip(x.name()), c.clipboard) << "the clipboard is left as it was";
  }

  e.erase("DISPLAY");
  r = test::RunProcess({program, "shorten", "--clipboard", "-p", "Is.gd"}, e);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("没有可连接的图形显示"), std::string::npos) << r.err;
}

TEST_F(CommandLineTest, PluginsEnableDisable) {
  auto r = run({"plugins"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.out.find("Is.gd\t是\t1.0\t测试\t2020-04-04\t" + dir.file("Plug/isgd.json")), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("关掉的\t否"), std::string::npos);

  r = run({"enable", "关掉的"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  r = run({"disable", "is.gd"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(GbkToUtf8Text(dir.read("Setting.ini")), "[插件开关]\r\n关掉的=是\r\nIs.gd=否\r\n");

  r = run({"plugins", "--json"});
  EXPECT_NE(r.out.find("\"name\":\"关掉的\",\"enabled\":\"是\""), std::string::npos) << r.out;
  r = run({"shorten", "-p", "Is.gd", "https://a"});
  EXPECT_EQ(r.exitCode, 2);
  r = run({"shorten", "-p", "关掉的", "https://a"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
}

// What a terminal shows after the program ran on it (standard output and error both on it):
// its lines, with carriage returns and "erase to the end of the line" applied.
std::vector<std::string> ScreenLines(const std::vector<std::string>& args,
                                     const std::map<std::string, std::string>& env) {
  std::vector<std::string> envText = test::ChildEnvironment(env);
  int master = -1;
  const pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
  if (pid == 0) {
    std::vector<char*> argv, envp;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    for (auto& e : envText) envp.push_back(e.data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  std::string bytes;
  char buffer[4096];
  for (ssize_t n; (n = read(master, buffer, sizeof buffer)) > 0;) bytes.append(buffer, static_cast<size_t>(n));
  close(master);
  waitpid(pid, nullptr, 0);
  std::vector<std::string> lines(1);
  size_t column = 0;
  for (size_t i = 0; i < bytes.size(); ++i) {
    std::string& line = lines.back();
    if (bytes[i] == '\r') {
      column = 0;
    } else if (bytes[i] == '\n') {
      lines.emplace_back();
      column = 0;
    } else if (bytes.compare(i, 3, "\x1b[K") == 0) {
      line.resize(std::min(line.size(), column));
      i += 2;
    } else {
      if (column < line.size())
        line[column] = bytes[i];
      else
        line += bytes[i];
      ++column;
    }
  }
  if (lines.back().empty()) lines.pop_back();
  return lines;
}

// Progress and results on one terminal: the progress line gives way to each result and comes back.
// It counts against the total when that is known (arguments, a file), else it counts alone (a pipe).
TEST_F(CommandLineTest, ProgressNeverRunsIntoAResultOnATerminal) {
  test::EchoService slow([](const std::string&) { return 15; });
  test::WritePlugin(dir, "echo.json", {.name = "Echo", .path = slow.url("/x?")});
  std::vector<std::string> args = {program, "shorten", "-p", "Echo", "-j", "1"};
  std::string input;
  for (int n = 1; n <= 20; ++n) {
    args.push_back("https://e/" + std::to_string(n));
    input += args.back() + "\n";
  }
  dir.write("urls.txt", input);
  const std::string command = program + " shorten -p Echo -j 1";
  const struct {
    const char* how;
    std::vector<std::string> args;
    const char* last;
  } cases[] = {
      {"arguments", args, "已完成 20/20，"},
      {"a file", {"/bin/sh", "-c", command + " < " + dir.file("urls.txt")}, "已完成 20/20，"},
      {"a pipe", {"/bin/sh", "-c", "cat " + dir.file("urls.txt") + " | " + command}, "已完成 20，"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.how);
    const auto lines = ScreenLines(c.args, env());
    int links = 0;
    for (const std::string& line : lines) {
      if (line.starts_with("http://")) {
        ++links;
        EXPECT_EQ(line.find("已完成"), std::string::npos) << line;
      } else if (!line.empty()) {
        EXPECT_TRUE(line.starts_with("已完成 ")) << line;
        EXPECT_EQ(line.find("http"), std::string::npos) << line;
      }
    }
    EXPECT_EQ(links, 20);
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(lines.back().starts_with(c.last)) << lines.back();
  }
}

// Input lines in GBK are read as GBK; bytes that are neither UTF-8 nor GBK are named, not sent.
TEST_F(CommandLineTest, GbkInputLinesAndBytesThatAreNeither) {
  const auto r =
      run({"shorten", "-p", "Is.gd", "-j", "1"}, Utf8ToGbk("https://a/中文") + "\n\xFF\xFE\x80\n" + "https://b/中\n");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, service.shortFor(1) + "\n\n" + service.shortFor(2) + "\n");
  EXPECT_EQ(r.err, "第 2 行失败：既不是 UTF-8 也不是 GBK 文字，没有发送\n");
  const auto seen = service.requests();
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].target, "/create.php?format=simple&url=" + PercentEncode("https://a/中文"));
  EXPECT_EQ(seen[1].target, "/create.php?format=simple&url=" + PercentEncode("https://b/中"));
}

// A FIFO given to import is refused at once, not waited on.
TEST_F(CommandLineTest, ImportOfAFifoEndsAtOnce) {
  ASSERT_EQ(::mkfifo(dir.file("up.sxcu").c_str(), 0600), 0);
  const auto r = test::RunProcess({program, "import", dir.file("up.sxcu")}, env(), "", 10000);
  EXPECT_EQ(r.signal, 0) << "killed: the import waited on the FIFO";
  EXPECT_NE(r.exitCode, 0);
  EXPECT_NE(r.err.find("up.sxcu"), std::string::npos) << r.err;
}

// Output that cannot be written is an error for every command, never a silent success.
TEST_F(CommandLineTest, OutputToAFullDeviceFails) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "this system has no /dev/full";
  for (const std::string& args :
       std::vector<std::string>{"shorten -p Is.gd https://a", "shorten -p Is.gd --json https://a https://b", "plugins",
                                "plugins --json", "history", "qr https://a", "expand " + service.base() + "/create.php",
                                "--version", "--help", "shorten --help"}) {
    SCOPED_TRACE(args);
    const auto r = test::RunProcess({"/bin/sh", "-c", "exec \"$0\" " + args + " > /dev/full", program}, env());
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_NE(r.err.find("写入输出失败：No space left on device"), std::string::npos) << r.err;
  }
}

// A name the INI file cannot hold as a key, and a Setting.ini that cannot be written: the
// switch is not changed, and the command says so and fails.
TEST_F(CommandLineTest, SwitchesThatCannotBeSavedSaySo) {
  for (const char* name : {"a=b", ";c", "[d"})
    test::WritePlugin(dir, std::string("odd") + std::to_string(name[0]) + ".json",
                      {.name = name, .path = service.base()});
  dir.write("Setting.ini", Utf8ToGbk("[插件开关]\r\na=否\r\n;c=否\r\n"));
  auto r = run({"plugins"});
  for (const char* name : {"a=b", ";c", "[d"})
    EXPECT_NE(r.out.find(std::string(name) + "\t是\t"), std::string::npos) << name << "\n" << r.out;
  const struct {
    const char* command;
    const char* name;
    const char* err;
  } cases[] = {
      {"disable", "a=b", "a=b：插件名含有“=”，开关无法保存\n"},
      {"disable", ";c", ";c：插件名以“;”开头，开关无法保存\n"},
      {"enable", "[d", "[d：插件名以“[”开头，开关无法保存\n"},
  };
  for (const auto& c : cases) {
    r = run({c.command, c.name});
    EXPECT_EQ(r.exitCode, 1) << c.name;
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(r.out, "");
  }
  EXPECT_EQ(GbkToUtf8Text(dir.read("Setting.ini")), "[插件开关]\r\na=否\r\n;c=否\r\n");

  // A Setting.ini that cannot be read or written (here a folder, which holds even for root).
  std::filesystem::remove(dir.file("Setting.ini"));
  std::filesystem::create_directory(dir.file("Setting.ini"));
  r = run({"disable", "Is.gd"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "Is.gd：开关未能保存：Setting.ini 无法写入\n");
  EXPECT_EQ(r.out, "");
}

TEST_F(CommandLineTest, PullKilledMidDownloadLeavesEveryFileWhole) {
  // Many plug-ins whose bodies arrive slowly, so a kill lands inside a download.
  std::string manifest = "[";
  for (int i = 0; i < 20; ++i)
    manifest += (i ? "," : "") + std::string("\"") + service.base() + "/Plug/p" + std::to_string(i) + ".json\"";
  manifest += "]";
  service.server().Get("/raw/master/PlugList.json", [&](const httplib::Request&, httplib::Response& res) {
    res.set_content(manifest, "application/json");
  });
  service.server().Get(R"(/Plug/p(\d+)\.json)", [](const httplib::Request& req, httplib::Response& res) {
    const std::string body = test::PluginJson({.name = "新" + req.matches[1].str(), .data = std::string(20000, 'x')});
    res.set_chunked_content_provider("application/json", [body](size_t offset, httplib::DataSink& sink) {
      const size_t n = std::min<size_t>(4000, body.size() - offset);
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      sink.write(body.data() + offset, n);
      if (offset + n == body.size()) sink.done();
      return true;
    });
  });
  auto oldContent = [](int i) { return test::PluginJson({.name = "旧" + std::to_string(i)}); };
  auto newContent = [](int i) {
    return test::PluginJson({.name = "新" + std::to_string(i), .data = std::string(20000, 'x')});
  };
  auto e = env();
  e["PINDLE_PLUGLIST_URL"] = service.base() + "/raw/master/PlugList.json";
  std::mt19937 random(7);
  for (int round = 0; round < 8; ++round) {
    for (int i = 0; i < 20; ++i) dir.write("Plug/p" + std::to_string(i) + ".json", oldContent(i));
    const pid_t pid = test::StartProcess({program, "pull"}, e);
    std::this_thread::sleep_for(std::chrono::milliseconds(std::uniform_int_distribution<int>(5, 150)(random)));
    kill(pid, SIGKILL);
    test::WaitProcess(pid);
    for (int i = 0; i < 20; ++i) {
      const std::string got = dir.read("Plug/p" + std::to_string(i) + ".json");
      EXPECT_TRUE(got == oldContent(i) || got == newContent(i))
          << "round " << round << " file " << i << " size " << got.size();
    }
  }
  const auto r = test::RunProcess({program, "pull"}, e);
  EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("云端下载 20 个，失败 0 个"), std::string::npos) << r.out;
  for (int i = 0; i < 20; ++i) EXPECT_EQ(dir.read("Plug/p" + std::to_string(i) + ".json"), newContent(i));
}

}  // namespace
}  // namespace pindle

#endif
