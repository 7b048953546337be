#pragma once
#include <string>

namespace pindle::test {

// A copy of the built program at `to`, with the desktop module it loads beside it, so the copy's
// Plug/ and Setting.ini are the test's own.
void CopyProgram(const std::string& built, const std::string& to);

}  // namespace pindle::test
