// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The accepted files below a folder, as a card or a folder tree holds them
// (PRIVATE/AVCHD/BDMV/STREAM/00000.MTS, ...).

#include <string>
#include <vector>

namespace probe {

// Every accepted file below `folder`, in name order: each folder's entries
// sorted by name, a subfolder's files where its name sorts. Hidden entries
// (a name starting with '.') are skipped, as are folders that cannot be
// read. Links are followed, but no folder is entered twice, so a link that
// leads back up the tree ends there.
std::vector<std::string> accepted_files_below(const std::string& folder);

}  // namespace probe
