// Writes Setting.ini in the directory given as its argument, without end, until it is killed:
// write i sets key "开关<i % 10>" of section "插件开关" to the value "值<i>". The state after any
// number of writes is therefore known exactly, which lets a test check every file it finds.
#include <cstdio>
#include <string>

#include "config/app_paths.h"
#include "config/settings.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: settings_writer DIR\n");
    return 2;
  }
  pindle::SetPaths(pindle::AppPaths::FromProgramDirectory(argv[1]));
  for (long i = 0;; ++i) {
    if (!pindle::Settings::write(pindle::kPluginSwitchSection, "开关" + std::to_string(i % 10),
                                 "值" + std::to_string(i))) {
      std::fprintf(stderr, "write %ld failed\n", i);
      return 1;
    }
    if (i == 0) {
      std::puts("started");  // the test waits for this before it starts killing
      std::fflush(stdout);
    }
  }
}
