// SPDX-License-Identifier: MIT
#include "analysis/result_json.h"

#include <cmath>
#include <nlohmann/json.hpp>

#include "platform/utf8.h"

namespace varnix::analysis {

Json JsonText(std::string_view s) { return platform::utf8OrLatin1(s); }

Json JsonTextOrNull(const std::string& s) { return s.empty() ? Json(nullptr) : JsonText(s); }

Json JsonValue(double v) { return std::isfinite(v) ? Json(v) : Json(nullptr); }

}  // namespace varnix::analysis
