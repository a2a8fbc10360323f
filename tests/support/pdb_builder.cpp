// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/pdb_builder.h"

#include <cstdint>

namespace varnix::test {

namespace {

constexpr std::size_t kBlock = 4096;

void put(std::string& out, std::uint32_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

}  // namespace

std::string palmDatabaseHeader(std::size_t records) {
  std::string h = "QTM Dump";
  h.resize(32, '\0');            // database name
  put(h, 0x0008, 2);             // attributes: backup
  put(h, 1, 2);                  // version
  put(h, 0xB5F3A100, 4);         // created
  put(h, 0xB5F3A100, 4);         // modified
  put(h, 0, 4);                  // backed up
  put(h, 0, 4);                  // modification number
  put(h, 0, 4);                  // app info
  put(h, 0, 4);                  // sort info
  h += "DATAQtmU";               // type and creator: "$" and "U" apart, never "$U,"
  put(h, 0, 4);                  // unique id seed
  put(h, 0, 4);                  // next record list
  put(h, static_cast<std::uint32_t>(records), 2);
  const std::size_t first = h.size() + 8 * records + 2;
  for (std::size_t i = 0; i < records; ++i) {
    put(h, static_cast<std::uint32_t>(first + i * (kBlock + 8)), 4);
    put(h, 0x40, 1);
    put(h, static_cast<std::uint32_t>(0x6F0000 + i), 3);
  }
  h += std::string(2, '\0');
  return h;
}

std::string recordHeader(std::size_t index) {
  // Bytes no dump carries at a block boundary, so a copied header shows.
  std::string r = "#REC";
  r += static_cast<char>(0xFF);
  put(r, static_cast<std::uint32_t>(index), 3);
  return r;
}

std::string palmBackup(std::string_view dump, const PdbLayout& layout) {
  const std::size_t blocks = dump.empty() ? 0 : (dump.size() + kBlock - 1) / kBlock;
  std::string out = layout.prefix.empty() ? palmDatabaseHeader(blocks) : layout.prefix;
  for (std::size_t i = 0; i < blocks; ++i) {
    out += dump.substr(i * kBlock, kBlock);
    if (i + 1 < blocks || layout.headerAfterLastBlock) out += recordHeader(i + 1);
  }
  return out;
}

}  // namespace varnix::test
