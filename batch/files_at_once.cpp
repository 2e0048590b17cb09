// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/files_at_once.h"

#include <algorithm>
#include <thread>

namespace batch {

int core_count() { return std::max(1, static_cast<int>(std::thread::hardware_concurrency())); }

int auto_files_at_once(int cores) {
  // clipmill-bench --batch: with threaded codecs, one file per core is the
  // fastest count; more files than cores only add memory.
  return std::max(1, cores);
}

int files_at_once(int choice, int ticked_rows) {
  const int wanted = choice > 0 ? choice : auto_files_at_once(core_count());
  return std::max(1, std::min(wanted, ticked_rows));
}

}  // namespace batch
