// SPDX-License-Identifier: MIT
// FNV-1a, 64 bits: the hash the catalog has always kept of a flight file's
// value lines (and names its cache databases by).
#pragma once

#include <cstdint>
#include <string_view>

namespace varnix::flight {

class Fnv1a {
 public:
  void add(unsigned char c) { h_ = (h_ ^ c) * 1099511628211ull; }
  void add(std::string_view text) {
    for (unsigned char c : text) add(c);
  }
  std::uint64_t value() const { return h_; }

 private:
  std::uint64_t h_ = 1469598103934665603ull;
};

}  // namespace varnix::flight
