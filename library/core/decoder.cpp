// SPDX-License-Identifier: MIT
#include "core/decoder.h"

#include <algorithm>
#include <limits>

namespace varnix {

namespace {

bool rowPresent(std::int32_t p, std::uint32_t presence, std::uint32_t extendedPresence) {
  if (p >= 0 && p <= 31) return (presence >> p) & 1u;
  if (p >= 32 && p <= 35) return (extendedPresence >> (p - 32)) & 1u;
  return p >= 36 && p <= 39;
}

bool hasMask(const ChannelRow& r) { return r.maskGroup >= 0 && r.maskGroup < kMaskGroups && r.maskBit >= 0 && r.maskBit < 8; }

ValueSlot* slotOf(Decoder& d, const ChannelRow& r) {
  if (r.column < 0 || r.column >= kValueSlots) return nullptr;
  ValueSlot& s = d.values[static_cast<std::size_t>(r.column)];
  return s.enabled ? &s : nullptr;
}

// Values add with two's-complement wrap-around: a crafted dump can push a
// channel past the 32-bit range, and that must not be undefined behaviour.
std::int32_t wrappingAdd(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

bool takeMaskedBytes(ByteReader& reader, Decoder& d, std::uint32_t flags, bool (*hasSign)(int)) {
  for (int g = 0; g < kMaskGroups; ++g)
    if ((flags >> g) & 1u && !reader.take(d.fieldMask[static_cast<std::size_t>(g)])) return false;
  for (int g = 0; g < kMaskGroups; ++g)
    if ((flags >> g) & 1u && hasSign(g) && !reader.take(d.signMask[static_cast<std::size_t>(g)])) return false;
  return true;
}

bool plainHasSign(int g) { return g <= 5; }
bool extendedHasSign(int g) { return g != 6 && g != 7; }

}  // namespace

void BuildChannelTable(Decoder& decoder, ChannelLayout layout) {
  decoder.channels = ChannelTable(layout);
  decoder.rowAtMask.fill(-1);
  for (std::size_t i = 0; i < decoder.channels.size(); ++i) {
    const ChannelRow& r = decoder.channels[i];
    if (hasMask(r)) decoder.rowAtMask[static_cast<std::size_t>(r.maskGroup * 8 + r.maskBit)] = static_cast<std::int16_t>(i);
  }
}

void SetUpValueTable(Decoder& decoder, std::uint32_t presence, std::uint32_t extendedPresence) {
  for (ValueSlot& s : decoder.values) s = ValueSlot{false, 0, false, "", 0, 0, 0};
  decoder.fuelFlowPresent = false;
  for (const ChannelRow& r : decoder.channels) {
    if (!rowPresent(r.presenceBit, presence, extendedPresence)) continue;
    if (r.column < 0 || r.column >= kValueSlots) continue;
    ValueSlot& s = decoder.values[static_cast<std::size_t>(r.column)];
    s = ValueSlot{true, r.presenceBit, false, r.name, 0, r.initialValue, r.initialValue};
    if (r.presenceBit == 27) decoder.fuelFlowPresent = true;
  }
  decoder.enabledRowCount = 0;
  for (std::size_t i = 0; i < decoder.channels.size(); ++i) {
    const ChannelRow& r = decoder.channels[i];
    if (r.column >= 0 && r.column < kValueSlots && decoder.values[static_cast<std::size_t>(r.column)].enabled)
      decoder.enabledRows[static_cast<std::size_t>(decoder.enabledRowCount++)] = static_cast<std::uint8_t>(i);
  }
}

RecordOutcome ReadRecord(Decoder& d, ByteReader& reader, bool extended) {
  reader.checksum = 0;
  std::uint32_t flags = 0;
  std::uint32_t copy = 0;
  std::uint8_t b = 0;
  const int flagBytes = extended ? 2 : 1;
  for (int i = 0; i < flagBytes; ++i) {
    if (!reader.take(b)) return RecordOutcome::Truncated;
    flags = flags << 8 | b;
  }
  for (int i = 0; i < flagBytes; ++i) {
    if (!reader.take(b)) return RecordOutcome::Truncated;
    copy = copy << 8 | b;
  }
  if (copy != flags) return RecordOutcome::FlagMismatch;

  std::uint8_t repeat = 0;
  if (!reader.take(repeat)) return RecordOutcome::Truncated;

  d.fieldMask.fill(0);
  d.signMask.fill(0);
  d.dataCount = 0;
  if (!takeMaskedBytes(reader, d, flags, extended ? extendedHasSign : plainHasSign)) return RecordOutcome::Truncated;

  static constexpr std::uint8_t kNibbleBits[16] = {0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4};
  int count = 0;
  for (std::uint8_t m : d.fieldMask) count += kNibbleBits[m & 15] + kNibbleBits[m >> 4];
  for (int i = 0; i < count; ++i)
    if (!reader.take(d.data[static_cast<std::size_t>(i)])) return RecordOutcome::Truncated;
  d.dataCount = count;

  std::uint8_t check = 0;
  if (!reader.take(check)) return RecordOutcome::Truncated;
  if (reader.checksum != 0) return RecordOutcome::ChecksumError;
  d.repeatCount = repeat;
  return RecordOutcome::Ok;
}

void ApplyRecord(Decoder& d) {
  const auto bitSet = [](const std::array<std::uint8_t, kMaskGroups>& masks, const ChannelRow& r) {
    return (masks[static_cast<std::size_t>(r.maskGroup)] >> r.maskBit) & 1u;
  };

  // 1. Data bytes to their rows: the bytes come in ascending order of group,
  // then bit, as the rows do. A low byte sets its column's raw difference and
  // a high byte adds to it; a raw difference is only used when its low byte
  // came in the same record, so one left over from a lone high byte is never
  // read (it wraps, without overflow, if such bytes keep coming).
  int next = 0;
  for (int g = 0; g < kMaskGroups; ++g) {
    const unsigned mask = d.fieldMask[static_cast<std::size_t>(g)];
    for (int b = 0; mask >> b != 0; ++b) {
      if (!((mask >> b) & 1u)) continue;
      if (next >= d.dataCount) break;
      const std::uint8_t byte = d.data[static_cast<std::size_t>(next++)];
      const int row = d.rowAtMask[static_cast<std::size_t>(g * 8 + b)];
      if (row < 0) continue;
      const ChannelRow& r = d.channels[static_cast<std::size_t>(row)];
      ValueSlot* s = slotOf(d, r);
      if (!s) continue;
      if (IsDeltaClass(r.decodeClass))
        s->rawDifference = byte;
      else if (r.decodeClass == kHighLeft || r.decodeClass == kHighRight)
        s->rawDifference = wrappingAdd(s->rawDifference, byte * 256);
    }
  }

  // 2 and 3. Differences, then the spreads over the available values.
  std::int32_t smallestA = 9999, smallestB = 9999, largestA = -40, largestB = -40;
  for (int i = 0; i < d.enabledRowCount; ++i) {
    const ChannelRow& r = d.channels[d.enabledRows[static_cast<std::size_t>(i)]];
    ValueSlot& s = d.values[static_cast<std::size_t>(r.column)];
    if (IsDeltaClass(r.decodeClass) && hasMask(r) && bitSet(d.fieldMask, r)) {
      const std::uint32_t raw = static_cast<std::uint32_t>(s.rawDifference);
      const std::int32_t diff = static_cast<std::int32_t>(bitSet(d.signMask, r) ? 0u - raw : raw);
      if (diff == 0) {
        s.notAvailable = true;
      } else {
        s.notAvailable = false;
        s.currentValue = wrappingAdd(s.currentValue, diff);
      }
    }
    if (r.decodeClass == kDeltaSpreadA && !s.notAvailable) {
      smallestA = std::min(smallestA, s.currentValue);
      largestA = std::max(largestA, s.currentValue);
    } else if (r.decodeClass == kDeltaSpreadB && !s.notAvailable) {
      smallestB = std::min(smallestB, s.currentValue);
      largestB = std::max(largestB, s.currentValue);
    } else if (r.decodeClass == kSpreadA || r.decodeClass == kSpreadB) {
      const std::int64_t spread = r.decodeClass == kSpreadA
                                      ? std::int64_t{largestA} - smallestA
                                      : std::int64_t{largestB} - smallestB;
      s.currentValue = spread > 0 ? static_cast<std::int32_t>(std::min<std::int64_t>(
                                        spread, std::numeric_limits<std::int32_t>::max()))
                                  : 0;
    }
  }
}

}  // namespace varnix
