// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/memory_policy.h"

#include <malloc.h>

#include <algorithm>

#include "batch/files_at_once.h"

namespace batch {

void set_memory_policy() {
  // A fixed threshold: blocks of 512 kB and more (the planes of HD pictures,
  // the codecs' large buffers) are always mapped on their own and go back to
  // the system when freed. Setting it also stops the allocator from raising
  // it after the first job. Smaller blocks, such as packets, stay in the
  // heaps, where they are used again without new page faults (at 128 kB,
  // every large packet was a fresh mapping: half as many page faults again).
  mallopt(M_MMAP_THRESHOLD, 512 * 1024);
  // One arena per core is enough for the threads that run at once; the
  // default, eight per core, lets every new job's threads take fresh ones.
  mallopt(M_ARENA_MAX, std::max(2, core_count()));
}

}  // namespace batch
