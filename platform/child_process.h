#pragma once
#include <sys/types.h>

#include <string>
#include <vector>

#include "platform/types.h"

namespace pindle {

// What a helper program (wl-copy, wl-paste, …) gave back.
struct ChildOutcome {
  bool started = false;  // false: the program could not be run at all
  bool timedOut = false;
  int exitCode = -1;  // -1 after a signal
  Bytes out;
};

// Runs `argv` (found on PATH) with `input` on its standard input and collects its standard
// output; standard error goes nowhere. Killed after `timeoutMs`. An argument vector, never a
// shell line.
ChildOutcome RunChild(const std::vector<std::string>& argv, const Bytes& input, int timeoutMs);

// Starts `argv` in a session of its own with `input` on its standard input and returns its
// pid without waiting (0 when it could not start). The caller reaps it.
pid_t StartChild(const std::vector<std::string>& argv, const Bytes& input);

// Whether a program of that name is on PATH.
bool ProgramOnPath(const std::string& name);

}  // namespace pindle
