#pragma once
#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace pindle::test {

// A headless sway of the test's own (WLR_BACKENDS=headless), up from construction to
// destruction. A compositor is no place for root: when the test runs as root, sway and every
// program started through command() run as the unprivileged user "nobody", and the session's
// folder (its XDG_RUNTIME_DIR and HOME) belongs to that user.
class SwaySession {
 public:
  SwaySession();
  ~SwaySession();
  SwaySession(const SwaySession&) = delete;
  SwaySession& operator=(const SwaySession&) = delete;

  bool running() const { return !display_.empty(); }
  const std::string& problem() const { return problem_; }  // why it is not running
  // The session's folder; what a program of the session reads or writes goes here.
  const std::string& folder() const { return dir_.path(); }
  // Makes a file or folder under folder() the session user's.
  void handOver(const std::string& path) const;
  // The environment of a program on this display (nothing else inherited).
  std::map<std::string, std::string> environment() const;
  // `argv` as the session's user runs it.
  std::vector<std::string> command(const std::vector<std::string>& argv) const;
  // The command lines of the processes still running in this session, sway itself left out.
  std::vector<std::string> sessionProcesses() const;

 private:
  TempDir dir_;
  uid_t uid_ = 0;
  gid_t gid_ = 0;
  bool switchUser_ = false;
  pid_t pid_ = 0;
  std::string display_, problem_;
};

}  // namespace pindle::test
