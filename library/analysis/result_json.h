// SPDX-License-Identifier: MIT
// What an analysis found, as `varnix-cli analyze --json` gives it: each
// analysis writes its own members (beside its `run` and its sections) with
// these helpers, so that every text is valid UTF-8 and an unknown figure null.
// The writers are declared through the JSON library's forward header; only
// the files that build JSON include the library whole.
#pragma once

#include <nlohmann/json_fwd.hpp>
#include <string>
#include <string_view>

namespace varnix::analysis {

using Json = nlohmann::ordered_json;  // members in the order they are set

Json JsonText(std::string_view s);           // a string of platform::utf8OrLatin1(s)
Json JsonTextOrNull(const std::string& s);  // JsonText, or null when empty
Json JsonValue(double v);                    // null when not a finite number

}  // namespace varnix::analysis
