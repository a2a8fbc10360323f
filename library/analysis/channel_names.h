// SPDX-License-Identifier: MIT
// What a channel's name tells of its cylinder, for figures kept by name
// (the digest's, the trends').
#pragma once

#include <cctype>
#include <cstddef>
#include <string_view>

namespace varnix::analysis {

// The cylinder a channel's name ends in ("C3", "LE2", "E1 CHT4"); 0 for
// none. A cylinder number has a digit or two; a longer run of digits is no
// cylinder.
inline int CylinderOfName(std::string_view channel) {
  std::size_t k = channel.size();
  while (k > 0 && std::isdigit(static_cast<unsigned char>(channel[k - 1]))) --k;
  const std::size_t digits = channel.size() - k;
  if (digits == 0 || digits > 2) return 0;
  int cylinder = 0;
  for (std::size_t i = k; i < channel.size(); ++i) cylinder = cylinder * 10 + (channel[i] - '0');
  return cylinder;
}

}  // namespace varnix::analysis
