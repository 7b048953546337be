// Loads 1,000 plug-in files into the plug-in list (in-memory controls) and prints the time per load
// and per file. Target: a whole load under 200 ms. Then 10,000 files, each with its switch in
// Setting.ini. Target: under 300 ms (the file is read once per load, not once per switch).
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/gui/actions/memory_controls.h"
#include "app/gui/actions/plugin_registry.h"
#include "config/app_paths.h"
#include "config/settings.h"
#include "platform/codepage.h"

namespace {

std::string PluginText(int i) {
  return "{\n  \"Name\": \"短链接口" + std::to_string(i) + "\",\n  \"Deploy\": \"false\",\n  \"Version\": \"1." +
         std::to_string(i % 10) +
         "\",\n  \"Author\": \"作者\",\n  \"Updated\": \"2024-05-01\",\n"
         "  \"UpdateURL\": \"https://plugins.example.net/p" +
         std::to_string(i) +
         ".json\",\n  \"API\": {\n    \"Type\": \"GET\",\n    \"API Path\": \"https://s.example.net/api?\",\n"
         "    \"Data\": \"format=json&url=$Url$\",\n    \"Headers\": \"Accept: application/json\"\n  },\n"
         "  \"Response\": {\n    \"Type\": \"1\",\n    \"Parameter\": \"data.short\",\n    \"Prefix\": \"\"\n  }\n}\n";
}

double LoadMilliseconds(pindle::MemoryControls& ui, int runs) {
  double best = 1e300;
  for (int r = 0; r < runs; ++r) {
    const auto start = std::chrono::steady_clock::now();
    pindle::PluginRegistry::load(ui);
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    best = std::min(best, took.count());
  }
  return best;
}

}  // namespace

int main() {
  constexpr int kFiles = 1000;
  constexpr int kRuns = 10;
  std::string pattern = (std::filesystem::temp_directory_path() / "pindle-bench-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) return 1;
  const std::string dir = pattern;
  pindle::SetPaths(pindle::AppPaths::FromProgramDirectory(dir));
  std::filesystem::create_directories(dir + "/Plug");
  for (int i = 0; i < kFiles; ++i) {
    // Half the files as a Windows editor saves them (GBK), half as UTF-8.
    const std::string text = PluginText(i);
    std::ofstream out(dir + "/Plug/p" + std::to_string(i) + ".json", std::ios::binary);
    out << (i % 2 == 0 ? pindle::Utf8ToGbk(text) : text);
  }

  pindle::MemoryControls ui;
  const double fresh = LoadMilliseconds(ui, kRuns);
  std::printf("plugin load, %d files, no switch entries:   %8.2f ms per load, %6.1f us per file\n", kFiles, fresh,
              fresh * 1000 / kFiles);

  // Every plug-in switched once: the switch section holds one entry per plug-in.
  for (int i = 0; i < kFiles; ++i)
    pindle::Settings::write(pindle::kPluginSwitchSection, "短链接口" + std::to_string(i), i % 3 ? "是" : "否");
  const double switched = LoadMilliseconds(ui, kRuns);
  std::printf("plugin load, %d files, %d switch entries: %8.2f ms per load, %6.1f us per file\n", kFiles, kFiles,
              switched, switched * 1000 / kFiles);
  std::printf("rows %d, offered %zu, status \"%s\"\n", ui.plugins().rowCount(), ui.pluginChoice().items().size(),
              ui.statusText().c_str());
  std::printf("target: under 200 ms per load\n");

  constexpr int kMany = 10000;
  std::string switches = "[插件开关]\r\n";
  for (int i = 0; i < kMany; ++i) {
    if (i >= kFiles) std::ofstream(dir + "/Plug/p" + std::to_string(i) + ".json", std::ios::binary) << PluginText(i);
    switches += "短链接口" + std::to_string(i) + (i % 3 ? "=是\r\n" : "=否\r\n");
  }
  std::ofstream(dir + "/Setting.ini", std::ios::binary) << pindle::Utf8ToGbk(switches);
  const double many = LoadMilliseconds(ui, 3);
  std::printf("plugin load, %d files, %d switch entries: %8.2f ms per load (target: under 300 ms)  rows %d\n", kMany,
              kMany, many, ui.plugins().rowCount());

  std::filesystem::remove_all(dir);
  return 0;
}
