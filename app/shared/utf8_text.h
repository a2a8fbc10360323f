// SPDX-License-Identifier: GPL-3.0-or-later
// The library's texts (UTF-8, in std::string) as Qt's.
#pragma once

#include <QString>
#include <string_view>

namespace varnix::app {

inline QString Utf8ToQString(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

}  // namespace varnix::app
