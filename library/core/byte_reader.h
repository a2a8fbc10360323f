// SPDX-License-Identifier: MIT
// A read position in the whole-dump buffer that never goes past its end.
// Every byte taken is XOR-ed into the running checksum and counted as
// consumed by the current flight.
#pragma once

#include <cstddef>
#include <cstdint>

namespace varnix {

struct ByteReader {
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  std::size_t pos = 0;
  std::uint8_t checksum = 0;
  std::int32_t consumed = 0;

  // False, with nothing taken, when the buffer has no byte left.
  bool take(std::uint8_t& byte) {
    if (pos >= size) return false;
    byte = data[pos++];
    checksum ^= byte;
    ++consumed;
    return true;
  }

  // Moves to `target`, never beyond the end of the buffer.
  void moveTo(std::size_t target) { pos = target < size ? target : size; }
};

}  // namespace varnix
