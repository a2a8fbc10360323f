// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz harness: the header-line parser. Each line of the input (split at
// line feeds) goes through ParseHeaderLine into one header state, as the
// lines of a dump's header do; the state must stay within its bounds.
#include <cstdint>
#include <cstring>
#include <string_view>

#include "core/header_lines.h"
#include "fuzz_sandbox.h"

namespace {

bool terminatedText(const char (&text)[varnix::kMaxFieldChars + 1]) {
  return std::memchr(text, '\0', sizeof text) != nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace varnix;
  HeaderState state{};
  std::string_view text(reinterpret_cast<const char*>(data), size);
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    const HeaderLineVerdict verdict = ParseHeaderLine(line, state);
    if (verdict.valid && !line.empty() && line[0] == '$' && line.size() > kMaxHeaderLineChars)
      fuzz::fail("a line longer than the limit was taken as valid");
    FieldNumber(line);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
  }
  if (!terminatedText(state.userID) || !terminatedText(state.modelText) || !terminatedText(state.firmwareText))
    fuzz::fail("a stored field lost its terminating NUL");
  if (state.flightCount < 0 || state.flightCount > static_cast<std::int32_t>(kMaxFlights) ||
      state.flightLinesSeen < state.flightCount)
    fuzz::fail("the flight table count left its bounds");
  return 0;
}
