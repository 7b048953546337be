#include "app/gui/actions/plugin_registry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <future>
#include <iterator>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "app/gui/actions/memory_controls.h"
#include "config/app_paths.h"
#include "config/settings.h"
#include "platform/background.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/shell_open.h"
#include "tests/support/temp_dir.h"

namespace pindle {
namespace {

using namespace std::chrono_literals;
using Rows = std::vector<std::vector<Text>>;

Text PluginJson(const Text& name, const Text& more = "") {
  return "{\"Name\":\"" + name + "\"" + (more.empty() ? "" : "," + more) + "}";
}

class PluginRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetPaths(AppPaths::FromProgramDirectory(dir_.path()));
    ASSERT_TRUE(MakeDirectories(Paths().plugDir));
  }
  void TearDown() override {
    EXPECT_TRUE(WaitForDetached(20s));
    SetShellOpenHandler({});
    SetPaths(AppPaths{});
  }
  void writePlugin(const Text& file, const Text& content) { dir_.write("Plug/" + file, content); }
  Text pluginPath(const Text& file) { return Paths().plugDir + file; }
  // The row of a file; rows come in the order the file system lists the files.
  std::vector<Text> rowOf(const Text& file) {
    for (const auto& row : ui_.plugins().rows())
      if (row[kPluginPathColumn] == pluginPath(file)) return row;
    return {};
  }
  int rowIndexOf(const Text& file) {
    const Rows rows = ui_.plugins().rows();
    for (size_t i = 0; i < rows.size(); ++i)
      if (rows[i][kPluginPathColumn] == pluginPath(file)) return static_cast<int>(i);
    return -1;
  }
  // What the choice must offer: the enabled rows' names in row order.
  std::vector<Text> enabledNames() {
    std::vector<Text> names;
    for (const auto& row : ui_.plugins().rows())
      if (row[kPluginSwitchColumn] == "是") names.push_back(row[kPluginNameColumn]);
    return names;
  }
  void selectFile(const Text& file) { ui_.plugins().select(rowIndexOf(file)); }
  void pick(const Text& name) {
    const auto items = ui_.pluginChoice().items();
    ui_.pluginChoice().setCurrentIndex(static_cast<int>(std::find(items.begin(), items.end(), name) - items.begin()));
  }

  test::TempDir dir_;
  MemoryControls ui_;
  Workers workers_;  // after ui_: its threads end before ui_ goes
};

TEST_F(PluginRegistryTest, LoadFillsTheColumns) {
  writePlugin("a.json", PluginJson("甲", R"("Deploy":"true","Version":2.5,"Author":"x","Updated":"2020-01-01")"));
  writePlugin("b.json", PluginJson("乙", R"("Deploy":"false","Version":"1.0")"));
  writePlugin("c.json", PluginJson("丙", R"("Deploy":"True")"));
  writePlugin("d.json", PluginJson("丁", R"("Deploy":true)"));
  writePlugin("e.JSON", PluginJson("戊"));
  writePlugin("f.json", "{\"Name\":\"broken\",");
  writePlugin("g.json", R"({"Name":{"x":1},"Version":[1,2],"Author":null,"Deploy":"false"})");
  writePlugin("notes.txt", PluginJson("not a plug-in"));
  writePlugin("h.json.bak", PluginJson("not a plug-in either"));
  ASSERT_TRUE(Settings::write(kPluginSwitchSection, "乙", "否"));
  ASSERT_TRUE(Settings::write(kPluginSwitchSection, "丙", "关"));

  PluginRegistry::load(ui_);

  const std::map<Text, std::vector<Text>> expected = {
      {"a.json", {"甲", "是", "有", "2.5", "x", "2020-01-01"}},
      {"b.json", {"乙", "否", "无", "1.0", "", ""}},
      {"c.json", {"丙", "关", "True", "", "", ""}},
      {"d.json", {"丁", "是", "True", "", "", ""}},
      {"e.JSON", {"戊", "是", "", "", "", ""}},
      {"f.json", {"", "", "", "", "", ""}},
      {"g.json", {"", "", "无", "", "", ""}},
  };
  ASSERT_EQ(ui_.plugins().rowCount(), 7);
  for (const auto& [file, cells] : expected) {
    auto row = rowOf(file);
    ASSERT_EQ(row.size(), static_cast<size_t>(kPluginColumnCount)) << file;
    EXPECT_EQ(row[kPluginPathColumn], pluginPath(file));
    EXPECT_EQ(row[kPluginStatusColumn], "") << "nothing known of its health";
    row.resize(kPluginPathColumn);
    EXPECT_EQ(row, cells) << file;
  }
  EXPECT_EQ(ui_.pluginChoice().items(), enabledNames());
  EXPECT_EQ(ui_.pluginChoice().items().size(), 3u);
  EXPECT_EQ(ui_.statusText(), "插件加载完成！共加载 7 个插件");
}

// Rows follow the file names as Windows lists them, letter case aside, wherever the files came from.
TEST_F(PluginRegistryTest, RowsComeInFileNameOrder) {
  for (const char* file : {"b.json", "_z.json", "C.json", "a.JSON", "B2.json"}) writePlugin(file, PluginJson(file));
  PluginRegistry::load(ui_);
  std::vector<Text> names;
  for (const auto& row : ui_.plugins().rows()) names.push_back(row[kPluginNameColumn]);
  EXPECT_EQ(names, (std::vector<Text>{"a.JSON", "b.json", "B2.json", "C.json", "_z.json"}));
  EXPECT_EQ(ui_.pluginChoice().items(), names);
}

// The switch as Setting.ini keeps it: a name with blanks around it keeps one entry, and a
// read-only file is left alone, the row showing the file's state again at the next load.
TEST_F(PluginRegistryTest, SwitchSurvivesBlanksAndReadOnlySettings) {
  writePlugin("a.json", PluginJson(" 甲 "));
  PluginRegistry::load(ui_);
  ui_.plugins().select(0);
  for (int i = 0; i < 3; ++i) {
    PluginRegistry::disable(ui_);
    PluginRegistry::load(ui_);
    ui_.plugins().select(0);
    EXPECT_EQ(rowOf("a.json")[kPluginSwitchColumn], "否");
    PluginRegistry::enable(ui_);
  }
  EXPECT_EQ(GbkToUtf8Text(dir_.read("Setting.ini")), "[插件开关]\r\n甲=是\r\n");

  ASSERT_EQ(::chmod(Paths().settingsFile.c_str(), 0444), 0);
  PluginRegistry::disable(ui_);
  EXPECT_EQ(GbkToUtf8Text(dir_.read("Setting.ini")), "[插件开关]\r\n甲=是\r\n");
  PluginRegistry::load(ui_);
  EXPECT_EQ(rowOf("a.json")[kPluginSwitchColumn], "是");
}

TEST_F(PluginRegistryTest, MissingOrEmptyDirectoryLoadsNothing) {
  PluginRegistry::load(ui_);
  EXPECT_EQ(ui_.plugins().rowCount(), 0);
  EXPECT_EQ(ui_.statusText(), "插件加载完成！共加载 0 个插件");
  SetPaths(AppPaths::FromProgramDirectory(dir_.file("nowhere")));
  PluginRegistry::load(ui_);
  EXPECT_EQ(ui_.statusText(), "插件加载完成！共加载 0 个插件");
  EXPECT_TRUE(ui_.notices().empty());
}

TEST_F(PluginRegistryTest, SwitchingWritesTheSettingAndRebuildsTheChoice) {
  writePlugin("a.json", PluginJson("A"));
  writePlugin("b.json", PluginJson("B"));
  writePlugin("c.json", PluginJson("C"));
  writePlugin("n.json", R"({"Version":"1"})");
  PluginRegistry::load(ui_);
  EXPECT_EQ(ui_.pluginChoice().items(), enabledNames());

  selectFile("b.json");
  PluginRegistry::disable(ui_);
  EXPECT_EQ(Settings::read(kPluginSwitchSection, "B"), "否");
  EXPECT_EQ(rowOf("b.json")[kPluginSwitchColumn], "否");
  EXPECT_EQ(ui_.pluginChoice().items(), enabledNames());
  EXPECT_EQ(ui_.pluginChoice().items().size(), 2u);

  PluginRegistry::enable(ui_);
  EXPECT_EQ(Settings::read(kPluginSwitchSection, "B"), "是");
  EXPECT_EQ(rowOf("b.json")[kPluginSwitchColumn], "是");
  EXPECT_EQ(ui_.pluginChoice().items(), enabledNames());  // back in row order
  EXPECT_EQ(ui_.pluginChoice().items().size(), 3u);

  // A plug-in without a name has nowhere to keep its switch: it stays off and unoffered.
  selectFile("n.json");
  PluginRegistry::enable(ui_);
  EXPECT_EQ(rowOf("n.json")[kPluginSwitchColumn], "");
  EXPECT_EQ(ui_.pluginChoice().items().size(), 3u);

  const Rows before = ui_.plugins().rows();
  ui_.plugins().select(-1);
  PluginRegistry::disable(ui_);
  PluginRegistry::enable(ui_);
  EXPECT_EQ(ui_.plugins().rows(), before);
}

TEST_F(PluginRegistryTest, DoubleClickTogglesOnlyWhenSwitchedOnAndOnlyKnownValues) {
  writePlugin("a.json", PluginJson("A"));
  writePlugin("b.json", PluginJson("B"));
  ASSERT_TRUE(Settings::write(kPluginSwitchSection, "B", "关"));
  PluginRegistry::load(ui_);
  CheckControl& toggle = ui_.settingBox(SettingBox::DoubleClickToggle);

  struct Case {
    const char* what;
    bool checked;
    Text file;
    Text after;
  };
  const std::vector<Case> cases = {
      {"unchecked leaves it", false, "a.json", "是"},
      {"on to off", true, "a.json", "否"},
      {"off to on", true, "a.json", "是"},
      {"odd value left alone", true, "b.json", "关"},
  };
  for (const auto& c : cases) {
    toggle.setChecked(c.checked);
    selectFile(c.file);
    ui_.pluginChoice().setItems({"stale"}, 0);
    PluginRegistry::onDoubleClick(ui_);
    EXPECT_EQ(rowOf(c.file)[kPluginSwitchColumn], c.after) << c.what;
    EXPECT_EQ(ui_.pluginChoice().items(), enabledNames()) << c.what;  // rebuilt in every case
  }
  EXPECT_EQ(Settings::read(kPluginSwitchSection, "B"), "关");

  ui_.plugins().select(-1);
  ui_.pluginChoice().setItems({"stale"}, 0);
  PluginRegistry::onDoubleClick(ui_);
  EXPECT_EQ(ui_.pluginChoice().items(), enabledNames());
}

TEST_F(PluginRegistryTest, MenuStatesFollowTheRow) {
  writePlugin("on.json", PluginJson("On", R"("Deploy":"true")"));
  writePlugin("off.json", PluginJson("Off", R"("Deploy":"false")"));
  writePlugin("odd.json", PluginJson("Odd", R"("Deploy":"TRUE")"));
  writePlugin("keyed.json", PluginJson("Keyed", R"("Deploy":"false","Fields":[{"Name":"Key","Secret":true}])"));
  ASSERT_TRUE(Settings::write(kPluginSwitchSection, "Off", "否"));
  ASSERT_TRUE(Settings::write(kPluginSwitchSection, "Odd", "是 否"));
  PluginRegistry::load(ui_);

  EXPECT_FALSE(PluginRegistry::prepareMenu(ui_));  // no row selected

  struct Case {
    Text file;
    bool enableItem, disableItem, configItem;
  };
  const std::vector<Case> cases = {
      {"on.json", false, true, true},
      {"off.json", true, false, false},
      {"odd.json", true, false, false},
      {"keyed.json", false, true, true},  // configured in a form of its own
  };
  for (const auto& c : cases) {
    selectFile(c.file);
    ASSERT_TRUE(PluginRegistry::prepareMenu(ui_)) << c.file;
    EXPECT_EQ(ui_.menuItem(MenuItem::EnablePlugin).isEnabled(), c.enableItem) << c.file;
    EXPECT_EQ(ui_.menuItem(MenuItem::DisablePlugin).isEnabled(), c.disableItem) << c.file;
    EXPECT_EQ(ui_.menuItem(MenuItem::ModifyConfig).isEnabled(), c.configItem) << c.file;
  }
}

TEST_F(PluginRegistryTest, TwoFilesWithOneNameShareTheSwitch) {
  writePlugin("one.json", PluginJson("Same", R"("Version":"1")"));
  writePlugin("two.json", PluginJson("Same", R"("Version":"2")"));
  ASSERT_TRUE(Settings::write(kPluginSwitchSection, "Same", "否"));
  PluginRegistry::load(ui_);
  EXPECT_EQ(rowOf("one.json")[kPluginSwitchColumn], "否");
  EXPECT_EQ(rowOf("two.json")[kPluginSwitchColumn], "否");

  selectFile("two.json");
  PluginRegistry::enable(ui_);
  EXPECT_EQ(Settings::read(kPluginSwitchSection, "Same"), "是");
  EXPECT_EQ(rowOf("one.json")[kPluginSwitchColumn], "否");  // until the next load
  EXPECT_EQ(rowOf("two.json")[kPluginSwitchColumn], "是");
  EXPECT_EQ(ui_.pluginChoice().items(), std::vector<Text>{"Same"});

  PluginRegistry::load(ui_);
  EXPECT_EQ(rowOf("one.json")[kPluginSwitchColumn], "是");
  EXPECT_EQ(ui_.pluginChoice().items(), (std::vector<Text>{"Same", "Same"}));
}

TEST_F(PluginRegistryTest, PickStaysWhileItsNameIsOffered) {
  writePlugin("a.json", PluginJson("A"));
  writePlugin("b.json", PluginJson("B"));
  writePlugin("c.json", PluginJson("C"));
  PluginRegistry::load(ui_);
  EXPECT_EQ(ui_.pluginChoice().currentIndex(), -1);  // nothing is picked for the user
  pick("B");

  selectFile(ui_.pluginChoice().items()[0] == "B" ? Text("c.json") : Text("a.json"));
  PluginRegistry::disable(ui_);
  EXPECT_EQ(ui_.pluginChoice().currentText(), "B");
  PluginRegistry::enable(ui_);
  EXPECT_EQ(ui_.pluginChoice().currentText(), "B");

  PluginRegistry::load(ui_);
  EXPECT_EQ(ui_.pluginChoice().currentText(), "B");
  writePlugin("d.json", PluginJson("D"));
  PluginRegistry::load(ui_);
  EXPECT_EQ(ui_.pluginChoice().currentText(), "B");

  selectFile("b.json");
  PluginRegistry::disable(ui_);
  EXPECT_EQ(ui_.pluginChoice().currentIndex(), -1);
  PluginRegistry::enable(ui_);
  EXPECT_EQ(ui_.pluginChoice().currentIndex(), -1);  // a name that went away does not come back picked

  pick("C");
  ASSERT_TRUE(RemoveFile(pluginPath("c.json")));
  PluginRegistry::load(ui_);
  EXPECT_EQ(ui_.pluginChoice().currentIndex(), -1);
}

TEST_F(PluginRegistryTest, PickAmongEqualNamesStaysOnItsOccurrence) {
  writePlugin("one.json", PluginJson("Same"));
  writePlugin("two.json", PluginJson("Same"));
  writePlugin("other.json", PluginJson("Other"));
  PluginRegistry::load(ui_);
  const auto items = ui_.pluginChoice().items();
  const int second = static_cast<int>(std::find(items.rbegin(), items.rend(), "Same").base() - items.begin()) - 1;
  ui_.pluginChoice().setCurrentIndex(second);
  PluginRegistry::refreshChoice(ui_);
  EXPECT_EQ(ui_.pluginChoice().currentIndex(), second);
}

TEST_F(PluginRegistryTest, DeleteDiscardsTheFileAndReloads) {
  writePlugin("a.json", PluginJson("A"));
  writePlugin("b.json", PluginJson("B"));
  ASSERT_TRUE(Settings::write(kPluginSwitchSection, "A", "是"));
  PluginRegistry::load(ui_);

  ui_.plugins().select(-1);
  PluginRegistry::remove(ui_, workers_);
  ASSERT_TRUE(WaitForDetached(10s));
  EXPECT_EQ(ui_.plugins().rowCount(), 2);

  selectFile("a.json");
  PluginRegistry::remove(ui_, workers_);
  ASSERT_TRUE(WaitForDetached(10s));
  EXPECT_FALSE(FileExists(pluginPath("a.json")));
  EXPECT_EQ(ui_.plugins().rowCount(), 1);
  EXPECT_EQ(ui_.pluginChoice().items(), std::vector<Text>{"B"});
  EXPECT_EQ(ui_.statusText(), "插件加载完成！共加载 1 个插件");
  EXPECT_EQ(Settings::read(kPluginSwitchSection, "A"), "是");  // the switch entry stays

  ui_.plugins().select(0);
  PluginRegistry::remove(ui_, workers_);
  ASSERT_TRUE(WaitForDetached(10s));
  EXPECT_EQ(ui_.plugins().rowCount(), 0);
  EXPECT_TRUE(ui_.pluginChoice().items().empty());
  EXPECT_EQ(ui_.statusText(), "插件加载完成！共加载 0 个插件");
  EXPECT_TRUE(ui_.notices().empty());  // no confirmation asked
}

TEST_F(PluginRegistryTest, RefreshSaysSoThenLoadsOnAnotherThread) {
  writePlugin("a.json", PluginJson("A"));
  writePlugin("b.json", PluginJson("B"));
  PluginRegistry::refresh(ui_, workers_);
  ASSERT_TRUE(WaitForDetached(10s));
  const auto history = ui_.statusHistory();
  ASSERT_EQ(history.size(), 2u);
  EXPECT_EQ(history[0], "正在刷新本地插件！");
  EXPECT_EQ(history[1], "插件加载完成！共加载 2 个插件");
  EXPECT_EQ(ui_.plugins().rowCount(), 2);
}

TEST_F(PluginRegistryTest, EditAndModifyConfigurationOpenFiles) {
  std::vector<Text> opened;
  SetShellOpenHandler([&opened](const Text& target) {
    opened.push_back(target);
    return true;
  });
  writePlugin("file-name.json", PluginJson("Configured", R"("Deploy":"true")"));
  writePlugin("bare.json", PluginJson("Bare"));
  writePlugin("escape.json", PluginJson("../Plug/bare"));
  dir_.write("Deploy/Configured.ini", "[a]\r\nb=c\r\n");
  dir_.write("Plug/bare.ini", "[a]\r\n");
  PluginRegistry::load(ui_);

  selectFile("file-name.json");
  PluginRegistry::edit(ui_);
  PluginRegistry::modifyConfiguration(ui_);
  // The configuration file is named after the plug-in's Name, not after its file.
  EXPECT_EQ(opened, (std::vector<Text>{pluginPath("file-name.json"), Paths().deployDir + "Configured.ini"}));
  EXPECT_TRUE(ui_.notices().empty());

  opened.clear();
  for (const char* file : {"bare.json", "escape.json"}) {
    selectFile(file);
    PluginRegistry::modifyConfiguration(ui_);
  }
  EXPECT_TRUE(opened.empty());
  const auto notices = ui_.notices();
  ASSERT_EQ(notices.size(), 2u);
  EXPECT_EQ(notices[0].message, "哦豁！没有配置文件\r\n联系一下插件开发者吧！");
  EXPECT_EQ(notices[0].title, "友情提醒");
  EXPECT_EQ(notices[0].buttons, kButtonsOk);
  EXPECT_EQ(notices[0].timeoutMs, 5000);

  ui_.plugins().select(-1);
  PluginRegistry::edit(ui_);
  PluginRegistry::modifyConfiguration(ui_);
  EXPECT_TRUE(opened.empty());
  EXPECT_EQ(ui_.notices().size(), 2u);
}

// A hostile or broken file gets a row of empty cells (its path aside) and stops nothing.
TEST_F(PluginRegistryTest, HostileFilesGetEmptyRows) {
  writePlugin("good.json", PluginJson("Good", R"("Version":"1")"));
  writePlugin("deep-array.json", Text(100000, '[') + Text(100000, ']'));
  writePlugin("deep-object.json", [] {
    Text t;
    for (int i = 0; i < 100000; ++i) t += "{\"Name\":";
    return t + "1" + Text(100000, '}');
  }());
  {
    std::ofstream big(pluginPath("big.json"), std::ios::binary);
    big << "{\"Name\":\"big\",\"pad\":\"";
    const Text chunk(1 << 20, 'x');
    for (int i = 0; i < 50; ++i) big << chunk;
    big << "\"}";
  }
  writePlugin("junk.json", [] {
    Bytes junk;
    unsigned state = 12345;
    for (int i = 0; i < 100000; ++i) {
      state = state * 1103515245u + 12345u;
      junk += static_cast<char>(state >> 24);
    }
    return junk;
  }());
  writePlugin("bad-utf8.json", "{\"Name\":\"\xC3\x28\xE2\x82\",\"Author\":\"\xF5\xFF\"}");
  writePlugin("bad-gbk.json", "{\"Name\":\"\xFF\xFE\x81\"}");
  writePlugin("array.json", "[{\"Name\":\"in an array\"}]");
  writePlugin("wrong-types.json", R"({"Name":["a","b"],"Version":{"v":1},"Author":[],"Updated":{}})");
  writePlugin("many-keys.json", [] {
    Text t = "{";
    for (int i = 0; i < 200000; ++i) t += "\"k" + std::to_string(i) + "\":0,";
    return t + "\"Author\":\"many\"}";
  }());
  writePlugin("empty.json", "");

  PluginRegistry::load(ui_);
  ASSERT_EQ(ui_.plugins().rowCount(), 11);
  EXPECT_EQ(ui_.statusText(), "插件加载完成！共加载 11 个插件");
  const std::vector<Text> empty(6);
  for (const char* file : {"deep-array.json", "deep-object.json", "big.json", "junk.json", "array.json",
                           "wrong-types.json", "empty.json"}) {
    auto row = rowOf(file);
    ASSERT_EQ(row.size(), static_cast<size_t>(kPluginColumnCount)) << file;
    EXPECT_EQ(row[kPluginPathColumn], pluginPath(file)) << file;
    row.resize(kPluginPathColumn);
    EXPECT_EQ(row, empty) << file;
  }
  // Broken bytes are read as well as they can be, never as a failure of the load.
  EXPECT_FALSE(rowOf("bad-utf8.json")[kPluginNameColumn].empty());
  EXPECT_FALSE(rowOf("bad-gbk.json")[kPluginNameColumn].empty());
  EXPECT_EQ(rowOf("many-keys.json")[kPluginAuthorColumn], "many");
  EXPECT_EQ(rowOf("good.json")[kPluginNameColumn], "Good");
  EXPECT_EQ(rowOf("good.json")[kPluginSwitchColumn], "是");
}

// Controls that record, per thread, the three writes a load makes.
class RecordingControls : public MemoryControls {
 public:
  struct Event {
    std::thread::id thread;
    char kind;  // 'r' rows, 'c' choice, 's' status
    Rows rows;
    std::vector<Text> items;
  };

  class List : public MemoryList {
   public:
    explicit List(RecordingControls& owner) : owner_(owner) {}
    void setRows(const Rows& rows) override {
      MemoryList::setRows(rows);
      owner_.record({std::this_thread::get_id(), 'r', rows, {}});
      std::this_thread::sleep_for(1ms);  // widen the window in which another load could step in
    }

   private:
    RecordingControls& owner_;
  };
  class Choice : public MemoryChoice {
   public:
    explicit Choice(RecordingControls& owner) : owner_(owner) {}
    void setItems(const std::vector<Text>& items, int selected) override {
      MemoryChoice::setItems(items, selected);
      owner_.record({std::this_thread::get_id(), 'c', {}, items});
      std::this_thread::sleep_for(1ms);
    }

   private:
    RecordingControls& owner_;
  };

  ListControl& pluginList() override { return list_; }
  ChoiceControl& pluginChoice() override { return choice_; }
  void setStatusText(const Text& text) override {
    MemoryControls::setStatusText(text);
    record({std::this_thread::get_id(), 's', {}, {}});
  }
  void record(Event event) {
    std::lock_guard lock(mutex_);
    events_.push_back(std::move(event));
  }
  std::vector<Event> events() {
    std::lock_guard lock(mutex_);
    return events_;
  }
  Rows rows() { return list_.rows(); }

 private:
  std::mutex mutex_;
  std::vector<Event> events_;
  List list_{*this};
  Choice choice_{*this};
};

TEST_F(PluginRegistryTest, OverlappingLoadsNeverInterleave) {
  for (int i = 0; i < 20; ++i) writePlugin("p" + std::to_string(i) + ".json", PluginJson("P" + std::to_string(i)));
  RecordingControls ui;
  Workers workers;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&ui] {
      for (int k = 0; k < 5; ++k) PluginRegistry::load(ui);
    });
  threads.emplace_back([this] {
    for (int i = 20; i < 40; ++i) {
      writePlugin("p" + std::to_string(i) + ".json", PluginJson("P" + std::to_string(i)));
      std::this_thread::sleep_for(1ms);
    }
  });
  for (int k = 0; k < 5; ++k) PluginRegistry::refresh(ui, workers);
  for (auto& thread : threads) thread.join();
  ASSERT_TRUE(WaitForDetached(20s));

  // Every load wrote rows, choice and status in one piece, and its choice came from its own rows.
  const auto events = ui.events();
  std::vector<RecordingControls::Event> loads;
  std::copy_if(events.begin(), events.end(), std::back_inserter(loads), [&](const auto& e) {
    return !(e.kind == 's' && e.thread == std::this_thread::get_id());  // refresh's own status text
  });
  ASSERT_EQ(loads.size(), 3u * 25u);
  for (size_t i = 0; i < loads.size(); i += 3) {
    ASSERT_EQ(loads[i].kind, 'r') << i;
    ASSERT_EQ(loads[i + 1].kind, 'c') << i;
    ASSERT_EQ(loads[i + 2].kind, 's') << i;
    EXPECT_EQ(loads[i + 1].thread, loads[i].thread) << i;
    EXPECT_EQ(loads[i + 2].thread, loads[i].thread) << i;
    std::vector<Text> names, paths;
    for (const auto& row : loads[i].rows) {
      // A file caught half-written by the writer thread gets an empty row, which is not offered.
      if (row[kPluginSwitchColumn] == "是") names.push_back(row[kPluginNameColumn]);
      paths.push_back(row[kPluginPathColumn]);
    }
    EXPECT_EQ(loads[i + 1].items, names) << i;
    std::sort(paths.begin(), paths.end());
    EXPECT_EQ(std::adjacent_find(paths.begin(), paths.end()), paths.end()) << "a file listed twice";
  }
  PluginRegistry::load(ui);
  EXPECT_EQ(ui.rows().size(), 40u);
}

// Window-thread commands never wait for a running load: the load waits for the window thread.
TEST_F(PluginRegistryTest, WindowCommandsDoNotWaitForARunningLoad) {
  writePlugin("a.json", PluginJson("A"));
  writePlugin("b.json", PluginJson("B"));
  PluginRegistry::load(ui_);

  class BlockedControls : public MemoryControls {
   public:
    class List : public MemoryList {
     public:
      std::promise<void> entered, release;
      std::shared_future<void> released = release.get_future().share();
      std::atomic<bool> blockNext = false;
      void setRows(const Rows& rows) override {
        if (blockNext) {
          blockNext = false;
          entered.set_value();
          released.wait();
        }
        MemoryList::setRows(rows);
      }
    } list;
    ListControl& pluginList() override { return list; }
  } ui;
  Workers workers;
  ui.list.setRows(ui_.plugins().rows());
  ui.list.blockNext = true;
  std::thread loader([&ui] { PluginRegistry::load(ui); });
  ui.list.entered.get_future().wait();  // the load now holds the registry and waits on "the window"

  auto commands = std::async(std::launch::async, [&ui, &workers] {
    ui.list.select(0);
    PluginRegistry::refreshChoice(ui);
    PluginRegistry::disable(ui);
    PluginRegistry::enable(ui);
    PluginRegistry::onDoubleClick(ui);
    PluginRegistry::prepareMenu(ui);
    PluginRegistry::refresh(ui, workers);
    ui.list.select(1);
    PluginRegistry::remove(ui, workers);
  });
  const bool finished = commands.wait_for(5s) == std::future_status::ready;
  ui.list.release.set_value();
  loader.join();
  ASSERT_TRUE(WaitForDetached(20s));
  EXPECT_TRUE(finished);
  EXPECT_EQ(ui.list.rowCount(), 1);
}

}  // namespace
}  // namespace pindle
