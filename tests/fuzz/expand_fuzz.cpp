// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz harness: the expansion of a dump. The input is written as a dump into
// the data folder of a scratch tree and expanded there. Whatever the bytes,
// the result is one of the expansion's codes, the dump itself is left as it
// was, and nothing is written outside the data folder.
#include <cstdint>
#include <set>
#include <string>

#include "core/expand.h"
#include "fuzz_sandbox.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace varnix;
  static const std::set<int> kCodes = {kExpandOk,          kExpandCannotOpenDump,  kExpandBadHeader,
                                       kExpandBadFlightHeader, kExpandBadRecord,   kExpandNoClosingLine,
                                       kExpandCannotOpenIndex, kExpandNoDot,       kExpandCannotWriteCsv,
                                       kExpandNoEndOfHeader};
  fuzz::Sandbox& sandbox = fuzz::Sandbox::instance();
  sandbox.reset();
  const std::string dump = sandbox.put("R261207.DAT", data, size);
  const std::string folderArgument = sandbox.work().string() + "/";

  HeaderState header{};
  const int code = ExpandDataFile(dump, folderArgument, header);

  if (kCodes.count(code) == 0) fuzz::fail("unknown result " + std::to_string(code));
  const std::string escaped = sandbox.firstEscape();
  if (!escaped.empty()) fuzz::fail("written outside the data folder: " + escaped);
  if (fuzz::fileBytes(dump) != std::string(reinterpret_cast<const char*>(data), size))
    fuzz::fail("the dump itself was changed");
  return 0;
}
