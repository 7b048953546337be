#pragma once
#include <sys/types.h>

#include <string>

namespace pindle::test {

// A virtual X display of the test's own (Xvfb on a free display number), up from construction
// to destruction. Whatever still runs on it ends with it.
class XvfbDisplay {
 public:
  XvfbDisplay();
  ~XvfbDisplay();
  XvfbDisplay(const XvfbDisplay&) = delete;
  XvfbDisplay& operator=(const XvfbDisplay&) = delete;

  bool running() const { return !name_.empty(); }
  const std::string& name() const { return name_; }  // ":N"

 private:
  pid_t pid_ = 0;
  std::string name_;
};

// Whether a program is installed in /usr/bin or /bin (tests that need xclip skip without it).
bool ProgramInstalled(const std::string& name);

}  // namespace pindle::test
