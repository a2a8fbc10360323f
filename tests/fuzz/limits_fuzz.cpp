// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz harness: the limits-file parser. Whatever it makes of the input lies
// within every key's range, and the file written from it reads back as the
// same limits without a problem.
#include <cstdint>
#include <string_view>
#include <vector>

#include "analysis/limits.h"
#include "fuzz_sandbox.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace varnix;
  std::vector<flight::LimitsProblem> problems;
  const flight::Limits limits =
      flight::ParseLimits(std::string_view(reinterpret_cast<const char*>(data), size), &problems);
  for (const flight::LimitField& f : flight::LimitFields())
    if (!(limits.*f.field >= f.min && limits.*f.field <= f.max)) fuzz::fail(std::string(f.key) + " left its range");
  for (const flight::LimitsProblem& p : problems)
    if (p.line < 1 || p.text.empty()) fuzz::fail("a problem without its line or words");
  std::vector<flight::LimitsProblem> again;
  if (!(flight::ParseLimits(flight::FormatLimits(limits), &again) == limits))
    fuzz::fail("the saved limits read back different");
  if (!again.empty()) fuzz::fail("the saved limits read back with a problem: " + again.front().text);
  return 0;
}
