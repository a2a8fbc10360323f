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
  const analysis::LimitsFile parsed = analysis::ParseLimits(std::string_view(reinterpret_cast<const char*>(data), size));
  const analysis::Limits& limits = parsed.limits;
  for (const analysis::LimitField& f : analysis::LimitFields())
    if (!(limits.*f.field >= f.min && limits.*f.field <= f.max)) fuzz::fail(std::string(f.key) + " left its range");
  for (const analysis::LimitsProblem& p : parsed.problems)
    if (p.line < 1 || p.text.empty()) fuzz::fail("a problem without its line or words");
  const analysis::LimitsFile again = analysis::ParseLimits(analysis::FormatLimits(limits));
  if (!(again.limits == limits)) fuzz::fail("the saved limits read back different");
  if (!again.problems.empty()) fuzz::fail("the saved limits read back with a problem: " + again.problems.front().text);
  return 0;
}
