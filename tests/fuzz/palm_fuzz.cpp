// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz harness: Palm backup conversion. The input is written as a backup
// into a scratch folder and converted. The backup is only ever read; a
// conversion that succeeds leaves exactly one .DAT beside it, beginning with
// the dump's "$U,", and one that fails leaves none.
#include <cstdint>
#include <filesystem>
#include <string>

#include "core/palm.h"
#include "fuzz_sandbox.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace varnix;
  namespace fs = std::filesystem;
  fuzz::Sandbox& sandbox = fuzz::Sandbox::instance();
  sandbox.reset();
  const std::string backup = sandbox.put("P1234567.PDB", data, size);
  const fs::path dat = sandbox.work() / "P1234567.DAT";

  std::string path = backup;
  const int code = ProcessPalmFile(path);

  if (code < kPalmDone || code > kPalmNoDump) fuzz::fail("unknown result " + std::to_string(code));
  if (fuzz::fileBytes(backup) != std::string(reinterpret_cast<const char*>(data), size))
    fuzz::fail("the backup was changed");
  std::size_t files = 0;
  for (const auto& entry : fs::directory_iterator(sandbox.work())) {
    (void)entry;
    ++files;
  }
  if (code == kPalmDone) {
    if (path != dat.string()) fuzz::fail("success without the .DAT path: " + path);
    if (fuzz::fileBytes(dat).rfind("$U,", 0) != 0) fuzz::fail("the .DAT does not begin with \"$U,\"");
    if (files != 2) fuzz::fail("a conversion left more than the backup and its .DAT");
  } else {
    if (path != backup) fuzz::fail("a failed conversion changed the path");
    if (files != 1) fuzz::fail("a failed conversion left a file behind");
  }
  const std::string escaped = sandbox.firstEscape();
  if (!escaped.empty()) fuzz::fail("written outside the backup's folder: " + escaped);
  return 0;
}
