// SPDX-License-Identifier: MIT
// The three fixed channel tables: which mask position of a record belongs to
// which channel, which value slot (CSV column) it feeds and how its byte is
// decoded.
#pragma once

#include <cstdint>
#include <span>

namespace varnix {

enum class ChannelLayout { Single, Twin, Extended };

// How a row's byte is used. Codes 2-19 and 30-34 are plain difference
// channels like 26; only the named codes behave differently.
enum DecodeClass : std::int32_t {
  kDeltaSpreadA = 0,   // difference channel; its value enters spread A
  kDeltaSpreadB = 1,   // difference channel; its value enters spread B
  kHighLeft = 20,      // byte x 256 added to its column's raw difference
  kHighRight = 21,
  kSpreadA = 22,       // largest minus smallest of the spread A values
  kSpreadB = 23,
  kClock = 24,         // TIME: the writer prints the running clock
  kMarkDelta = 26,
  kHobbs = 28,         // never decoded, never present
  kSpare = 255,        // a mask position without a channel
};

inline bool IsDeltaClass(std::int32_t c) { return (c >= 0 && c <= 19) || c == 26 || (c >= 30 && c <= 34); }

inline constexpr std::int32_t kNoMask = 255;
inline constexpr std::int32_t kNoColumn = 255;
inline constexpr std::int32_t kNeverPresent = 128;
inline constexpr std::int32_t kEndMarker = 255;

struct ChannelRow {
  std::int32_t presenceBit;  // 0-31 flags, 32-35 extended flags, 36-39 always, 128 never, 255 end
  std::int32_t decodeClass;
  std::int32_t maskGroup;    // 0-15, or kNoMask
  std::int32_t maskBit;      // 0-7, or kNoMask
  const char* name;
  std::int32_t column;       // value slot 0-79, or kNoColumn
  std::int32_t initialValue;
};

// The rows of a layout in table order: mask rows by group then bit, the
// spread rows, TIME, HOBBS, the end marker and, for Extended, group 8.
std::span<const ChannelRow> ChannelTable(ChannelLayout layout);

}  // namespace varnix
