// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Spanned clips: a camcorder splits one long recording into files of 2 or
// 4 GB with consecutive numbers (00000.MTS, 00001.MTS, ...). Two files are
// parts of one recording when they lie in one folder, their names differ
// only in a number one apart, their streams are laid out alike, and the
// second one's first timestamp continues the first one's last within two
// frame durations.

#include <functional>
#include <string>
#include <vector>

namespace probe {

// Whether `after`'s name is the one following `before`'s: the same folder,
// the same text around the last run of digits in the name, and that
// number one higher in as many digits.
bool is_next_name(const std::string& before, const std::string& after);

// What the joining rule compares of one file, read with the container
// library: its streams' kinds and codecs, its duration.
struct PartFacts {
  bool readable = false;
  std::string layout;        // one "kind:codec" per stream
  int64_t duration_us = 0;   // the container's duration, 0 when unknown
};
PartFacts part_facts(const std::string& path);

// Whether `after`'s timestamps continue `before`'s: read across the point
// where one file ends and the next begins, as the joined source reads them.
bool continues(const std::string& before, const std::string& after);

// Hands out `paths` in their order as recordings: runs of parts joined
// (when `join`), every other file on its own. Each recording is given as
// soon as it is complete.
void group_recordings(const std::vector<std::string>& paths, bool join,
                      const std::function<void(std::vector<std::string> parts)>& emit);

}  // namespace probe
