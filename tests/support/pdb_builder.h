// SPDX-License-Identifier: GPL-3.0-or-later
// Builds Palm backup databases around a dump, the way the handheld's desktop
// software stores them: a database header with its record list, then the
// dump in 4096-byte records, each followed by the 8-byte header of the next
// record.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace varnix::test {

struct PdbLayout {
  // Whether the 8 record-header bytes also follow the last block.
  bool headerAfterLastBlock = false;
  // The bytes before the dump; when empty, a Palm database header with a
  // record list for the blocks of the dump.
  std::string prefix;
};

// A Palm database header (78 bytes) and a record list for `records` records.
std::string palmDatabaseHeader(std::size_t records);

// The 8 bytes that stand between two blocks; never part of a dump.
std::string recordHeader(std::size_t index);

// `dump` cut into 4096-byte blocks with a record header after each, behind
// `layout.prefix` (or a database header).
std::string palmBackup(std::string_view dump, const PdbLayout& layout = {});

}  // namespace varnix::test
