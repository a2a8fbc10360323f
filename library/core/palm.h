// SPDX-License-Identifier: MIT
// Palm backup conversion: a dump that a Palm handheld carried home lies in a
// Palm backup database (.PDB) in 4096-byte blocks, each followed by the
// 8-byte header of the next database record. The converter finds the dump by
// its first "$U," bytes and writes the blocks, without those headers, to a
// .DAT file beside the backup. The backup itself is only ever read.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace varnix {

enum PalmResult : int {
  kPalmDone = 0,          // .DAT written, or not a .PDB path (nothing done)
  kPalmCannotOpen = 1,    // the backup could not be opened or read
  kPalmCannotCreate = 2,  // the .DAT could not be created or written
  kPalmNoDump = 3,        // no "$U," in the backup: there is no dump to copy
};

inline constexpr std::size_t kPalmBlockSize = 4096;
inline constexpr std::size_t kPalmRecordHeaderSize = 8;

// The .DAT path for `pdbPath`: the path up to its first "." plus ".DAT",
// when the four characters from that "." are ".PDB" in any case. Empty when
// they are not, or when the path holds no "." at all.
std::optional<std::string> PalmDumpPath(std::string_view pdbPath);

// Converts the backup at `path`. On success (0 with a .DAT written) `path`
// becomes the .DAT path; in every other outcome it is left unchanged.
// A path whose first "." does not begin ".PDB" gives 0 and nothing is done;
// a path without any "." gives 1 and nothing is done.
int ProcessPalmFile(std::string& path);

}  // namespace varnix
