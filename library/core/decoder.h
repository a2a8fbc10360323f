// SPDX-License-Identifier: MIT
// The value table of a flight and the delta-compressed records that change
// it: reading one record from the dump and applying it.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "core/byte_reader.h"
#include "core/channel_tables.h"

namespace varnix {

inline constexpr int kValueSlots = 80;
inline constexpr int kMaskGroups = 16;
inline constexpr int kMaxRecordDataBytes = kMaskGroups * 8;

struct ValueSlot {
  bool enabled;
  std::int32_t presenceBit;
  bool notAvailable;
  const char* name;  // "" when not enabled
  std::int32_t rawDifference;
  std::int32_t currentValue;
  std::int32_t initialValue;
};

// The value table: one slot per CSV column, slot 0 the time.
using ValueTable = std::array<ValueSlot, kValueSlots>;

enum class RecordOutcome {
  Ok,
  FlagMismatch,   // the flags copy differs from the flags
  ChecksumError,  // the XOR of the record's bytes is not 0
  Truncated,      // the dump ends inside the record
};

// Channel table, value table and the last record read. One per expansion;
// fixed size, so decoding a record never allocates.
struct Decoder {
  std::span<const ChannelRow> channels;
  ValueTable values{};
  bool fuelFlowPresent = false;

  // Lookups made once per dump and once per flight, so that applying a
  // record visits only the mask positions it carries and the enabled rows.
  std::array<std::int16_t, kMaskGroups * 8> rowAtMask{};  // row index, or -1
  // Per mask position, what its data byte does this flight: the slot whose
  // raw difference it sets, with kHighByte when it adds its byte x 256, or
  // kNoByteSlot. Applying a record then reads no channel row.
  static constexpr std::uint8_t kHighByte = 0x80;
  static constexpr std::uint8_t kNoByteSlot = 0xFF;
  std::array<std::uint8_t, kMaskGroups * 8> byteSlot{};
  // The enabled rows that change a value or a spread, in table order, each
  // with all that applying a record needs of its row.
  struct Step {
    std::uint8_t column;
    std::uint8_t group;  // mask group, when kChanges
    std::uint8_t bit;    // 1 << mask bit, when kChanges
    std::uint8_t what;   // kChanges, then one of kInSpreadA .. kSpreadOfB
  };
  static constexpr std::uint8_t kChanges = 1, kInSpreadA = 2, kInSpreadB = 4, kSpreadOfA = 8, kSpreadOfB = 16;
  std::array<Step, kValueSlots> steps{};
  int stepCount = 0;

  std::array<std::uint8_t, kMaskGroups> fieldMask{};
  std::array<std::uint8_t, kMaskGroups> signMask{};
  std::array<std::uint8_t, kMaxRecordDataBytes> data{};
  int dataCount = 0;
  int repeatCount = 0;
};

void BuildChannelTable(Decoder& decoder, ChannelLayout layout);

// Enables the slots of the rows that this flight recorded and sets each to
// its initial value. `extendedPresence` bits 0-3 stand for presence bits 32-35.
void SetUpValueTable(Decoder& decoder, std::uint32_t presence, std::uint32_t extendedPresence);

// Reads one record at the reader's position (plain form, or the extended
// form with 16-bit flags) and keeps its masks, data bytes and repeat count.
RecordOutcome ReadRecord(Decoder& decoder, ByteReader& reader, bool extended);

// Updates the value table from the record read last.
void ApplyRecord(Decoder& decoder);

}  // namespace varnix
