// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How many files a batch converts at once.

namespace batch {

// The most the "Files at once" choice offers: the machine's core count.
int core_count();
// The count "Auto" stands for on a machine with `cores` cores, as the batch
// benchmark measured it.
int auto_files_at_once(int cores);
// Files at once for a batch: `choice` (0 "Auto", else 1, 2, ...), never
// more than the ticked rows and never less than one.
int files_at_once(int choice, int ticked_rows);

}  // namespace batch
