// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Naming of a job's output file.

#include <filesystem>
#include <set>
#include <string>

namespace batch {

// First free name: source or folder+title with its extension replaced (clip.avi, clip1.avi, ...). A name without a "." after its first two characters gets the extension appended to the whole name, in the intended folder. Never names the source.
// A name longer than a file name may be (255 bytes) has its stem cut short
// at a character boundary.
// `reserved`: names promised to other jobs that have not created their
// files yet, taken as taken.
std::filesystem::path make_output_path(const std::filesystem::path& source, const std::string& title,
                                       bool save_beside_source, const std::filesystem::path& output_folder,
                                       const std::string& extension,
                                       const std::set<std::filesystem::path>* reserved = nullptr);

}  // namespace batch
