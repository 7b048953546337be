#include <gtest/gtest.h>

#include <QComboBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

#include "app/gui/actions/program_actions.h"
#include "app/gui/notice_box.h"
#include "app/gui/plugin_editor_dialog.h"
#include "history/history_store.h"
#include "json/json_parse.h"
#include "platform/codepage.h"
#include "tests/gui/gui_test_support.h"
#include "tests/support/link_services.h"
#include "tests/support/loopback_shortener.h"
#include "tests/support/plugin_files.h"
#include "text/text_utils.h"

namespace pindle::test {
namespace {

class PluginEditorTest : public ::testing::Test {
 protected:
  LoopbackShortener service;
  ProgramActions actions;
  WindowFixture f{actions};
  QTreeWidget* list = nullptr;

  void SetUp() override {
    WritePlugin(f.dir(), "isgd.json", {.name = "Is.gd", .path = service.base() + "/create.php?format=simple&"});
    auto* refresh = f.find<QPushButton>("插件_刷新");
    f.showPageOf(refresh);
    QTest::mouseClick(refresh, Qt::LeftButton);
    list = f.find<QTreeWidget>("插件_插件列表");
    ASSERT_TRUE(SpinUntil([&] { return list->topLevelItemCount() == 1; }));
    ASSERT_TRUE(loadFinished());
  }
  // The loads run on workers that report to the window last; none may outlive the test.
  bool loadFinished() {
    const bool done = SpinUntil([&] { return f.ui().statusText().find("插件加载完成") != Text::npos; });
    f.ui().setStatusText("");
    return done;
  }
  PluginEditorDialog* choose(const char* item) {
    ClickRow(list, 0);
    f.find<QMenu>("插件菜单")->findChild<QAction*>(QString::fromUtf8(item))->trigger();
    return f.window().findChild<PluginEditorDialog*>(QStringLiteral("插件编辑"));
  }
  template <typename W>
  static W* in(QDialog* d, const char* name) {
    W* w = d->findChild<W*>(QString::fromUtf8(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  static void type(QDialog* d, const char* name, const QString& text) { in<QLineEdit>(d, name)->setText(text); }
  static void choose(QDialog* d, const char* name, int index) { in<QComboBox>(d, name)->setCurrentIndex(index); }
};

TEST_F(PluginEditorTest, NewPluginFilledCheckedTestedSavedAndListed) {
  PluginEditorDialog* d = choose("新建插件");
  ASSERT_NE(d, nullptr);
  EXPECT_TRUE(d->isVisible());
  EXPECT_NE(in<QLabel>(d, "规则_Url")->text().indexOf("$Url$"), -1);

  // Checks as you type, and the response fields that go with the type.
  struct Step {
    std::function<void()> edit;
    const char* checkHas;  // "" : no problem left
    bool parameterShown, prefixShown, patternShown;
    const char* lacks = nullptr;  // a problem that must not be named
  } steps[] = {
      {[&] { type(d, "Name", QStringLiteral("编辑器短链")); }, "地址不是 http:// 或 https:// 开头", false, false,
       false},
      {[&] { type(d, "API.API Path", "ftp://x/"); }, "地址不是", false, false, false},
      {[&] { type(d, "API.API Path", "$Field:Server$/create.php?"); }, "数据里没有 $Url$", false, false, false,
       "地址不是"},  // a self-hosted service's server
      {[&] { type(d, "API.API Path", QString::fromStdString(service.base() + "/create.php?")); }, "数据里没有 $Url$",
       false, false, false},
      {[&] { choose(d, "API.Type", 1); }, "POST 请求没有数据", false, false, false},
      {[&] { choose(d, "API.Type", 0); }, "数据里没有 $Url$", false, false, false},
      {[&] { type(d, "API.Data", "format=json&url=$Url$"); }, "", false, false, false},
      {[&] { choose(d, "Response.Type", 3); }, "标记模板要用 $Url$", false, true, false},
      {[&] { type(d, "Response.Prefix", "<a>$Url$</a>"); }, "", false, true, false},
      {[&] { choose(d, "Response.Type", 5); }, "正则表达式为空", false, false, true},
      {[&] { type(d, "Response.Pattern", "(a"); }, "正则表达式有错", false, false, true},
      {[&] { choose(d, "Response.Type", 1); }, "JSON 路径为空", true, false, false},
      {[&] { type(d, "Response.Parameter", "shorturl"); }, "", true, false, false},
  };
  for (size_t i = 0; i < std::size(steps); ++i) {
    SCOPED_TRACE(i);
    steps[i].edit();
    const QString checks = in<QLabel>(d, "检查")->text();
    if (*steps[i].checkHas)
      EXPECT_NE(checks.indexOf(QString::fromUtf8(steps[i].checkHas)), -1) << checks.toStdString();
    else
      EXPECT_TRUE(checks.isEmpty()) << checks.toStdString();
    if (steps[i].lacks) {
      EXPECT_EQ(checks.indexOf(QString::fromUtf8(steps[i].lacks)), -1) << checks.toStdString();
    }
    EXPECT_EQ(in<QLineEdit>(d, "Response.Parameter")->isVisibleTo(d), steps[i].parameterShown);
    EXPECT_EQ(in<QLineEdit>(d, "Response.Prefix")->isVisibleTo(d), steps[i].prefixShown);
    EXPECT_EQ(in<QLineEdit>(d, "Response.Pattern")->isVisibleTo(d), steps[i].patternShown);
  }

  // 测试 runs the form as it stands against the service and shows every step beside it.
  type(d, "测试网址", QStringLiteral("https://127.0.0.1/中"));
  QTest::mouseClick(in<QPushButton>(d, "测试"), Qt::LeftButton);
  auto* trace = in<QPlainTextEdit>(d, "测试结果");
  ASSERT_TRUE(SpinUntil([&] { return trace->toPlainText().contains(QStringLiteral("【结果】")); }));
  const std::string shown = trace->toPlainText().toStdString();
  EXPECT_NE(shown.find("GET /create.php?format=json&url=%68"), std::string::npos) << shown;
  // A new plug-in sends UTF-8.
  EXPECT_NE(shown.find("%E4%B8%AD HTTP/1.1"), std::string::npos) << shown;
  EXPECT_NE(shown.find("【结果】\n" + service.shortFor(1)), std::string::npos) << shown;
  EXPECT_TRUE(in<QPushButton>(d, "测试")->isEnabled());

  // 保存 writes Plug/<Name>.json in code page 936 and the list shows the new row.
  QTest::mouseClick(in<QPushButton>(d, "保存"), Qt::LeftButton);
  ASSERT_TRUE(SpinUntil([&] { return list->topLevelItemCount() == 2; }));
  const std::string bytes = f.dir().read("Plug/编辑器短链.json");
  EXPECT_EQ(bytes.find("编辑器短链"), std::string::npos) << "not UTF-8";
  const std::string text = GbkToUtf8Text(bytes);
  EXPECT_NE(text.find("\"Name\": \"编辑器短链\""), std::string::npos) << text;
  EXPECT_NE(text.find("\"Type\": \"1\""), std::string::npos);
  EXPECT_EQ(text.find("Pattern"), std::string::npos) << "an empty optional key stays out";
  bool listed = false;
  for (int r = 0; r < list->topLevelItemCount(); ++r)
    listed |= list->topLevelItem(r)->text(0) == QStringLiteral("编辑器短链");
  EXPECT_TRUE(listed);
  EXPECT_TRUE(loadFinished());
  EXPECT_EQ(f.ui().pluginChoice().items().size(), 2u);
}

TEST_F(PluginEditorTest, EditingKeepsTheEncodingAndTheOtherMembers) {
  // A UTF-8 file with a byte-order mark and a member the form does not know.
  f.dir().write("Plug/isgd.json",
                "\xEF\xBB\xBF{\"Name\":\"Is.gd\",\"Extra\":{\"k\":1.5},\"API\":{\"Type\":\"GET\","
                "\"API Path\":\"" +
                    service.base() +
                    "/create.php?format=simple&\",\"Data\":\"url=$Url$\"},"
                    "\"Response\":{\"Type\":0}}");
  PluginEditorDialog* d = choose("在窗口中编辑");
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(in<QLineEdit>(d, "Name")->text(), QStringLiteral("Is.gd"));
  EXPECT_EQ(in<QComboBox>(d, "Response.Type")->currentIndex(), 0);
  type(d, "Author", QStringLiteral("作者😀"));
  QTest::mouseClick(in<QPushButton>(d, "保存"), Qt::LeftButton);
  ASSERT_TRUE(SpinUntil(
      [&] { return list->topLevelItemCount() == 1 && list->topLevelItem(0)->text(4) == QStringLiteral("作者😀"); }));
  EXPECT_TRUE(loadFinished());
  const std::string bytes = f.dir().read("Plug/isgd.json");
  EXPECT_EQ(bytes.substr(0, 3), "\xEF\xBB\xBF");
  EXPECT_NE(bytes.find("\"Extra\": {\n    \"k\": 1.5\n  }"), std::string::npos) << bytes;
  EXPECT_NE(bytes.find("\"Type\": \"0\""), std::string::npos);
}

// The link sections appear as JSON texts; what is not edited stays as it was, an edit goes in, a
// text that is not a JSON object is refused with nothing written.
TEST_F(PluginEditorTest, LinkSectionsShownEditedAndChecked) {
  const std::string stats = R"({"Type":"GET","API Path":"http://127.0.0.1:1/s/$Id$","Clicks":"n","Big":12345678901})";
  const std::string list = R"({"Type":"GET","API Path":"http://127.0.0.1:1/l?","Data":"skip=$Skip$","Items":"data"})";
  const std::string del = R"({"Type":"DELETE","API Path":"http://127.0.0.1:1/d/$Code$"})";
  const std::string head = "\xEF\xBB\xBF{\"Name\":\"Is.gd\",\"API\":{\"Type\":\"GET\",\"API Path\":\"" +
                           service.base() +
                           "/create.php?format=simple&\",\"Data\":\"url=$Url$\"},\"Response\":{\"Type\":\"0\"}";
  const std::string withSections =
      head + ",\"Stats\":" + stats + ",\"Extra\":1,\"List\":" + list + ",\"Delete\":" + del + "}";
  const struct Case {
    const char* name;
    std::string file;
    const char* edit;               // the Stats text typed over; nullptr: none
    const char* refused;            // "": saved
    const char* stats;              // Stats as saved; nullptr: absent
    std::vector<std::string> keys;  // the first top-level members, in the saved order
  } cases[] = {
      {"unchanged",
       withSections,
       nullptr,
       "",
       stats.c_str(),
       {"Name", "API", "Response", "Stats", "Extra", "List", "Delete"}},
      {"edited",
       withSections,
       R"({"Type": "POST", "API Path": "http://127.0.0.1:1/s"})",
       "",
       R"({"Type":"POST","API Path":"http://127.0.0.1:1/s"})",
       {"Name", "API", "Response", "Stats", "Extra", "List", "Delete"}},
      {"relaxed",
       withSections,
       "{Type: 'GET', // a note\n}",
       "",
       R"({"Type":"GET"})",
       {"Name", "API", "Response", "Stats", "Extra", "List", "Delete"}},
      {"emptied", withSections, " \n", "", nullptr, {"Name", "API", "Response", "Extra", "List", "Delete"}},
      {"invalid", withSections, R"({"Type": "GET",)", "链接管理 Stats 不是有效的 JSON（第", nullptr, {}},
      {"not an object", withSections, R"(["GET"])", "链接管理 Stats 应是一个 JSON 对象", nullptr, {}},
      {"none", head + "}", nullptr, "", nullptr, {"Name", "API", "Response"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    f.dir().write("Plug/isgd.json", c.file);
    QPointer<PluginEditorDialog> d = choose("在窗口中编辑");
    ASSERT_NE(d, nullptr);
    const bool hasSections = c.file != head + "}";
    EXPECT_TRUE(in<QWidget>(d, "链接管理")->isVisibleTo(d)) << "a section can be added";
    EXPECT_EQ(in<QTabWidget>(d, "链接管理_各节")->count(), hasSections ? 3 : 0);
    if (hasSections) {
      for (const auto& [key, text] : std::initializer_list<std::pair<const char*, std::string>>{
               {"Stats", stats}, {"List", list}, {"Delete", del}}) {
        EXPECT_EQ(ParseJsonText(in<QPlainTextEdit>(d, key)->toPlainText().toStdString())->value,
                  ParseJsonText(text)->value)
            << key;
      }
    }
    if (c.edit) in<QPlainTextEdit>(d, "Stats")->setPlainText(QString::fromUtf8(c.edit));
    QTest::mouseClick(in<QPushButton>(d, "保存"), Qt::LeftButton);
    if (*c.refused) {
      EXPECT_NE(in<QLabel>(d, "检查")->text().indexOf(QString::fromUtf8(c.refused)), -1)
          << in<QLabel>(d, "检查")->text().toStdString();
      EXPECT_EQ(f.dir().read("Plug/isgd.json"), c.file) << "nothing written";
      d->close();
      ASSERT_TRUE(SpinUntil([&] { return d.isNull(); }));
      continue;
    }
    ASSERT_TRUE(SpinUntil([&] { return d.isNull(); }));
    EXPECT_TRUE(loadFinished());
    const std::string bytes = f.dir().read("Plug/isgd.json");
    const Json saved = ParseJsonText(bytes.substr(3))->value;
    std::vector<std::string> keys;
    for (const auto& member : saved.items()) keys.push_back(member.key());
    keys.resize(c.keys.size());  // the form's own keys (Deploy, Version, ...) follow
    EXPECT_EQ(keys, c.keys) << bytes;
    if (c.stats) {
      EXPECT_EQ(saved.value("Stats", Json()), ParseJsonText(c.stats)->value) << bytes;
    }
    if (hasSections) {
      EXPECT_EQ(saved["List"], ParseJsonText(list)->value);
      EXPECT_EQ(saved["Delete"], ParseJsonText(del)->value);
    }
  }
}

// 测试统计 sends the Stats section, as edited, for the link typed and traces it, the key hidden.
TEST_F(PluginEditorTest, StatsSectionTracedForALink) {
  LinkServices shlink;
  shlink.seed(1);
  shlink.visit("c00000", 3);
  const std::string base = shlink.base();
  f.dir().write("Plug/isgd.json", "{\"Name\":\"Shlink\",\"Fields\":[{\"Name\":\"Key\",\"Secret\":true,\"Default\":\"" +
                                      std::string(kLinkServiceKey) + "\"}],\"API\":{\"Type\":\"POST\",\"API Path\":\"" +
                                      base +
                                      "/rest/v3/short-urls\",\"Data\":\"url=$Url$\"},\"Response\":{\"Type\":\"0\"},"
                                      "\"Stats\":{\"Type\":\"GET\",\"API Path\":\"" +
                                      base +
                                      "/rest/v3/short-urls/$Code$/visits\",\"Headers\":\"X-Api-Key: $Field:Key$\","
                                      "\"Clicks\":\"visits.pagination.totalItems\"}}");
  QPointer<PluginEditorDialog> d = choose("在窗口中编辑");
  ASSERT_NE(d, nullptr);
  EXPECT_TRUE(in<QPushButton>(d, "测试统计")->isVisibleTo(d));
  // Ids the history kept: one of a link this plug-in made, one of a link another plug-in made.
  const HistoryStore history(HistoryFile(Paths()));
  ASSERT_TRUE(history.append({{0, 1, "Shlink", "http://127.0.0.1/9", base + "/c00009", "", "kept-id"},
                              {0, 1, "Other", "http://127.0.0.1/8", base + "/c00008", "", "other-id"}}));
  const std::string byId = "{\"Type\": \"GET\", \"API Path\": \"" + base + "/ids/$Id$\", \"Clicks\": \"n\"}";
  const struct {
    const char* name;
    std::string link;
    std::string stats;  // the Stats text typed over; empty: as it stands
    std::vector<std::string> shown;
  } cases[] = {
      {"counted",
       base + "/c00000",
       "",
       {"GET /rest/v3/short-urls/c00000/visits HTTP/1.1", "X-Api-Key: ••••", "【结果】\n3\n"}},
      {"unknown link", base + "/nope", "", {"HTTP/1.1 404", "没有得到点击数：HTTP 404"}},
      {"needs an id",
       base + "/c00000",
       "{\"Type\": \"GET\", \"API Path\": \"http://127.0.0.1/$Id$\", \"Clicks\": \"n\"}",
       {"没有得到点击数：不知道这个短网址在服务端的编号"}},
      {"the id the history kept", base + "/c00009", byId, {"GET /ids/kept-id HTTP/1.1"}},
      {"another plug-in's id is not this one's", base + "/c00008", "", {"不知道这个短网址在服务端的编号"}},
  };
  auto* trace = in<QPlainTextEdit>(d, "测试结果");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (!c.stats.empty()) in<QPlainTextEdit>(d, "Stats")->setPlainText(QString::fromStdString(c.stats));
    type(d, "统计链接", QString::fromStdString(c.link));
    QTest::mouseClick(in<QPushButton>(d, "测试统计"), Qt::LeftButton);
    ASSERT_TRUE(SpinUntil([&] { return trace->toPlainText().contains(QStringLiteral("【结果】")); }));
    const std::string shown = trace->toPlainText().toStdString();
    for (const std::string& part : c.shown) EXPECT_NE(shown.find(part), std::string::npos) << part << "\n" << shown;
    EXPECT_EQ(shown.find(kLinkServiceKey), std::string::npos) << shown;
  }
  d->close();
  ASSERT_TRUE(SpinUntil([&] { return d.isNull(); }));
}

// 测试列表 traces the first page; 测试删除 asks first and sends nothing unless agreed to; 添加…
// gives a file without sections a template of each.
TEST_F(PluginEditorTest, ListDeleteAndAddActions) {
  LinkServices shlink;
  shlink.seed(3);
  const std::string base = shlink.base();
  const TempDir scratch;  // not the window's Plug folder: its list keeps one row
  RelocatedStarter("shlink.json", base, scratch);
  Json plugin = ParseJsonText(scratch.read("Plug/shlink.json"))->value;
  plugin["Fields"][1]["Default"] = kLinkServiceKey;
  const std::string withSections = plugin.dump(2);
  for (const char* key : {"Stats", "List", "Delete"}) plugin.erase(key);
  const std::string without = plugin.dump(2);
  const struct {
    const char* name;
    bool sections;       // false: the file without them
    const char* add;     // the section added first; "": none
    const char* button;  // 测试列表 or 测试删除, for the link c00001
    int answer;          // to the question before a delete
    std::size_t sent;    // requests the service got for it
    const char* shown;   // parts of 测试结果, "|" between them
  } cases[] = {
      {"list", true, "", "测试列表", -1, 1,
       "GET /rest/v3/short-urls?page=1&itemsPerPage=50 HTTP/1.1|X-Api-Key: ••••|"
       "List.Items “shortUrls.data” → 数组，3 项|第 1 项：短网址 “{base}/c00000”|本页 3 个链接；没有下一页"},
      {"delete refused", true, "", "测试删除", kNoticeCancel, 0, "没有删除：什么也没有发出"},
      {"delete agreed", true, "", "测试删除", kNoticeOk, 1,
       "DELETE /rest/v3/short-urls/c00001 "
       "HTTP/1.1|历史记录里的这个短网址标为已删除|【结果】\n服务已删除这个短网址（HTTP 204）"},
      {"deleted already", true, "", "测试删除", kNoticeOk, 1,
       "没有删除：HTTP 404：No URL found with short code \"c00001\""},
      {"list added to a file without", false, "List", "测试列表", -1, 1,
       "GET /api/links?page=1&limit=50 HTTP/1.1|X-Api-Key: ••••|HTTP/1.1 404"},
  };
  // The link to delete is in the history, which marks it deleted as `pindle delete` does.
  const HistoryStore history(HistoryFile(Paths()));
  ASSERT_TRUE(history.append({{0, 1, "Shlink", "http://127.0.0.1/seeded/1", base + "/c00001", "", "c00001"}}));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    f.dir().write("Plug/isgd.json", c.sections ? withSections : without);
    QPointer<PluginEditorDialog> d = choose("在窗口中编辑");
    ASSERT_NE(d, nullptr);
    auto* trace = in<QPlainTextEdit>(d, "测试结果");
    const std::size_t before = shlink.requests().size();
    EXPECT_EQ(in<QWidget>(d, c.button)->isVisibleTo(d), c.sections);
    if (*c.add) {
      in<QMenu>(d, "链接管理_添加菜单")->findChild<QAction*>(QStringLiteral("添加_") + c.add)->trigger();
      EXPECT_TRUE(in<QWidget>(d, c.button)->isVisibleTo(d));
    }
    type(d, "统计链接", QString::fromStdString(base + "/c00001"));
    if (c.answer >= 0) NoticeBox::setNextAnswer(c.answer);
    QTest::mouseClick(in<QPushButton>(d, c.button), Qt::LeftButton);
    if (c.sent > 0) {
      ASSERT_TRUE(SpinUntil([&] { return trace->toPlainText().contains(QStringLiteral("【结果】")); }));
    }
    const std::string shown = trace->toPlainText().toStdString();
    for (std::string part : Split(c.shown, "|")) {
      if (const auto at = part.find("{base}"); at != std::string::npos) part.replace(at, 6, base);
      EXPECT_NE(shown.find(part), std::string::npos) << part << "\n" << shown;
    }
    EXPECT_EQ(shown.find(kLinkServiceKey), std::string::npos) << shown;
    EXPECT_EQ(shlink.requests().size() - before, c.sent);
    EXPECT_EQ(history.findLink(base + "/c00001")->state,
              std::string(c.name) == "delete refused" || std::string(c.name) == "list" ? LinkState::Made
                                                                                       : LinkState::Deleted);
    d->close();
    ASSERT_TRUE(SpinUntil([&] { return d.isNull(); }));
  }

  // Each section added is saved as shown; a file left untouched saves as it did.
  const struct {
    const char* add;                 // "": none
    std::vector<std::string> holds;  // in the section saved
  } adds[] = {{"Stats", {"/api/links/$Code$/stats", "\"Clicks\""}},
              {"List", {"$Page$", "$Limit$", "\"Items\"", "\"Short\"", "\"Long\"", "\"Total\""}},
              {"Delete", {"\"DELETE\"", "/api/links/$Id$"}},
              {"", {}}};
  f.dir().write("Plug/isgd.json", without);
  std::string untouched;
  for (int round = 0; round < 2; ++round) {  // the first save writes the form's own layout
    QPointer<PluginEditorDialog> d = choose("在窗口中编辑");
    ASSERT_NE(d, nullptr);
    QTest::mouseClick(in<QPushButton>(d, "保存"), Qt::LeftButton);
    ASSERT_TRUE(SpinUntil([&] { return d.isNull(); }));
    EXPECT_TRUE(loadFinished());
    if (round == 1) {
      EXPECT_EQ(f.dir().read("Plug/isgd.json"), untouched);
    }
    untouched = f.dir().read("Plug/isgd.json");
  }
  for (const auto& a : adds) {
    SCOPED_TRACE(a.add);
    f.dir().write("Plug/isgd.json", untouched);
    QPointer<PluginEditorDialog> d = choose("在窗口中编辑");
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(in<QWidget>(d, "链接管理")->isVisibleTo(d));
    if (*a.add) {
      QAction* add =
          in<QMenu>(d, "链接管理_添加菜单")->findChild<QAction*>(QStringLiteral("添加_") + QString::fromUtf8(a.add));
      add->trigger();
      EXPECT_FALSE(add->isVisible()) << "offered once";
      EXPECT_EQ(in<QTabWidget>(d, "链接管理_各节")->currentWidget()->objectName(), QString::fromUtf8(a.add));
    }
    EXPECT_EQ(in<QLabel>(d, "检查")->text().indexOf(QStringLiteral("链接管理")), -1)
        << in<QLabel>(d, "检查")->text().toStdString();
    QTest::mouseClick(in<QPushButton>(d, "保存"), Qt::LeftButton);
    ASSERT_TRUE(SpinUntil([&] { return d.isNull(); }));
    EXPECT_TRUE(loadFinished());
    const std::string bytes = f.dir().read("Plug/isgd.json");
    if (!*a.add) {
      EXPECT_EQ(bytes, untouched);
      continue;
    }
    const Json saved = ParseJsonText(bytes)->value;
    ASSERT_TRUE(saved.contains(a.add)) << bytes;
    const std::string section = saved[a.add].dump();
    EXPECT_NE(section.find("X-Api-Key: $Field:Key$"), std::string::npos) << "the API's key goes with it";
    EXPECT_NE(section.find("\"$Field:Server$/api/links"), std::string::npos) << "on the API's own site";
    for (const std::string& part : a.holds) EXPECT_NE(section.find(part), std::string::npos) << part << "\n" << section;
  }
}

// 新建插件 stays in reach when no row is chosen, as in an empty Plug folder.
TEST_F(PluginEditorTest, RightClickBesideTheRowsOffersNewPlugin) {
  auto* rowMenu = f.find<QMenu>("插件菜单");
  auto* newMenu = f.find<QMenu>("新建插件菜单");
  const QPoint onRow = list->visualItemRect(list->topLevelItem(0)).center();
  const QPoint besideRows(onRow.x(), list->viewport()->height() - 5);
  const struct {
    QPoint at;
    QMenu* shown;
  } cases[] = {{onRow, rowMenu}, {besideRows, newMenu}};
  for (const auto& c : cases) {
    QTest::mouseClick(list->viewport(), Qt::RightButton, {}, c.at);
    QContextMenuEvent event(QContextMenuEvent::Mouse, c.at, list->viewport()->mapToGlobal(c.at));
    QCoreApplication::sendEvent(list->viewport(), &event);
    EXPECT_TRUE(c.shown->isVisible());
    EXPECT_FALSE((c.shown == rowMenu ? newMenu : rowMenu)->isVisible());
    c.shown->hide();
  }
  newMenu->findChild<QAction*>(QStringLiteral("新建插件"))->trigger();
  auto* d = f.window().findChild<PluginEditorDialog*>(QStringLiteral("插件编辑"));
  ASSERT_NE(d, nullptr);
  EXPECT_TRUE(in<QLineEdit>(d, "Name")->text().isEmpty());
  EXPECT_EQ(d->font(), newMenu->font());  // the window's font, though a window of its own
}

}  // namespace
}  // namespace pindle::test
