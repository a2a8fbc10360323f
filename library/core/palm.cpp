// SPDX-License-Identifier: MIT
#include "core/palm.h"

#include <climits>
#include <cstdio>
#include <vector>

#include "platform/output_file.h"
#include "platform/platform.h"

namespace varnix {

namespace {

constexpr std::size_t kSearchChunk = 65536;

char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

enum class Search { Found, NotFound, ReadError };

// Scans the backup from its start for the first "$", "U", "," in the way
// the bytes have always been matched: a byte that breaks the pattern is not
// looked at again as a new "$", so "$$U," is not a match at its second "$".
Search findDumpStart(std::FILE* in, long long& start) {
  std::vector<char> chunk(kSearchChunk);
  int matched = 0;                  // pattern bytes matched so far
  long long offset = 0;             // file offset of chunk[0]
  for (;;) {
    const std::size_t n = std::fread(chunk.data(), 1, chunk.size(), in);
    for (std::size_t i = 0; i < n; ++i) {
      const char c = chunk[i];
      if (matched == 0) {
        matched = (c == '$') ? 1 : 0;
      } else if (matched == 1) {
        matched = (c == 'U') ? 2 : 0;
      } else if (c == ',') {
        start = offset + static_cast<long long>(i) - 2;
        return Search::Found;
      } else {
        matched = 0;
      }
    }
    offset += static_cast<long long>(n);
    if (n < chunk.size()) return std::ferror(in) ? Search::ReadError : Search::NotFound;
  }
}

enum class Copy { Done, ReadError, WriteError };

// From the current position to the end of the backup: blocks of up to 4096
// bytes go to the dump, the 8 bytes after each are dropped. A short last
// block is read together with whatever follows it.
Copy copyBlocks(std::FILE* in, std::FILE* out) {
  char block[kPalmBlockSize];
  char recordHeader[kPalmRecordHeaderSize];
  for (;;) {
    const std::size_t n = std::fread(block, 1, sizeof block, in);
    if (!platform::writeAll(out, block, n)) return Copy::WriteError;
    if (n < sizeof block) break;
    if (std::fread(recordHeader, 1, sizeof recordHeader, in) < sizeof recordHeader) break;
  }
  return std::ferror(in) ? Copy::ReadError : Copy::Done;
}

}  // namespace

std::optional<std::string> PalmDumpPath(std::string_view pdbPath) {
  const std::size_t dot = pdbPath.find('.');
  if (dot == std::string_view::npos || pdbPath.size() - dot < 4) return std::nullopt;
  static constexpr char kExtension[] = ".PDB";
  for (std::size_t i = 0; i < 4; ++i) {
    if (upper(pdbPath[dot + i]) != kExtension[i]) return std::nullopt;
  }
  std::string dat(pdbPath.substr(0, dot));
  dat += ".DAT";
  return dat;
}

int ProcessPalmFile(std::string& path) {
  // Without any "." there is no extension to judge: nothing is converted,
  // and the caller must not take the unchanged path for a dump.
  if (path.find('.') == std::string::npos) return kPalmCannotOpen;
  const std::optional<std::string> dat = PalmDumpPath(path);
  if (!dat) return kPalmDone;

  std::FILE* in = platform::openFile(path, "rb");
  if (!in) return kPalmCannotOpen;

  // The dump is found before the .DAT is created, so that a backup without
  // a dump never truncates or removes a .DAT that already lies beside it.
  long long start = 0;
  const Search search = findDumpStart(in, start);
  if (search != Search::Found || start > LONG_MAX || std::fseek(in, static_cast<long>(start), SEEK_SET) != 0) {
    std::fclose(in);
    return search == Search::ReadError ? kPalmCannotOpen : kPalmNoDump;
  }

  // Written under a temporary name and renamed over the .DAT only when
  // complete: a failure (a full disk) leaves an older .DAT of that name as it
  // was, and a link at the name is replaced, never written through.
  platform::ReplacingFile out(*dat);
  if (!out.file()) {
    std::fclose(in);
    return kPalmCannotCreate;
  }
  const Copy copy = copyBlocks(in, out.file());
  std::fclose(in);
  if (copy != Copy::Done) return copy == Copy::ReadError ? kPalmCannotOpen : kPalmCannotCreate;
  if (!out.commit()) return kPalmCannotCreate;
  path = *dat;
  return kPalmDone;
}

}  // namespace varnix
