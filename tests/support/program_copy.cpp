#include "tests/support/program_copy.h"

#include <filesystem>

namespace pindle::test {

void CopyProgram(const std::string& built, const std::string& to) {
  namespace fs = std::filesystem;
  fs::copy_file(built, to, fs::copy_options::overwrite_existing);
  const std::string module = PINDLE_DESKTOP_MODULE_FILE;
  if (module.empty()) return;
  fs::copy_file(fs::path(built).parent_path() / module, fs::path(to).parent_path() / module,
                fs::copy_options::overwrite_existing);
}

}  // namespace pindle::test
