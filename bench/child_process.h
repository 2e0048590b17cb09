// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs a program as a child process and measures it from outside: wall
// time and peak resident memory, as the kernel accounts them for the child.

#include <string>
#include <vector>

namespace bench {

struct ChildRun {
  int exit_status = -1;     // -1 when it could not start or was killed
  double seconds = 0;       // wall time from start to exit
  double cpu_seconds = 0;   // user + system time of the child
  long peak_kilobytes = 0;  // largest resident set of the child
};

// Runs argv[0] with the arguments, its standard output and error thrown away.
ChildRun run_child(const std::vector<std::string>& argv);

}  // namespace bench
