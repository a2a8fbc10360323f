// SPDX-License-Identifier: MIT
#include "core/decoder.h"

#include <algorithm>
#include <bit>
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

// The groups whose sign mask follows the field masks, one bit each.
constexpr std::uint32_t kPlainSignGroups = 0x003F;     // groups 0-5
constexpr std::uint32_t kExtendedSignGroups = 0xFF3F;  // all but 6 and 7

// The field masks, then the sign masks, of the groups that `flags` names,
// in ascending order of group.
bool takeMaskedBytes(ByteReader& reader, Decoder& d, std::uint32_t flags, std::uint32_t signGroups) {
  for (std::uint32_t g = flags & 0xFFFFu; g != 0; g &= g - 1)
    if (!reader.take(d.fieldMask[static_cast<std::size_t>(std::countr_zero(g))])) return false;
  for (std::uint32_t g = flags & signGroups; g != 0; g &= g - 1)
    if (!reader.take(d.signMask[static_cast<std::size_t>(std::countr_zero(g))])) return false;
  return true;
}

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
  decoder.stepCount = 0;
  for (const ChannelRow& r : decoder.channels) {
    if (r.column < 0 || r.column >= kValueSlots || !decoder.values[static_cast<std::size_t>(r.column)].enabled) continue;
    Decoder::Step step{static_cast<std::uint8_t>(r.column), 0, 0, 0};
    if (IsDeltaClass(r.decodeClass) && hasMask(r)) {
      step.what |= Decoder::kChanges;
      step.group = static_cast<std::uint8_t>(r.maskGroup);
      step.bit = static_cast<std::uint8_t>(1u << r.maskBit);
    }
    if (r.decodeClass == kDeltaSpreadA) step.what |= Decoder::kInSpreadA;
    else if (r.decodeClass == kDeltaSpreadB) step.what |= Decoder::kInSpreadB;
    else if (r.decodeClass == kSpreadA) step.what |= Decoder::kSpreadOfA;
    else if (r.decodeClass == kSpreadB) step.what |= Decoder::kSpreadOfB;
    if (step.what != 0 && decoder.stepCount < kValueSlots) decoder.steps[static_cast<std::size_t>(decoder.stepCount++)] = step;
  }
  for (std::size_t at = 0; at < decoder.byteSlot.size(); ++at) {
    std::uint8_t what = Decoder::kNoByteSlot;
    if (const int row = decoder.rowAtMask[at]; row >= 0) {
      const ChannelRow& r = decoder.channels[static_cast<std::size_t>(row)];
      if (slotOf(decoder, r)) {
        if (IsDeltaClass(r.decodeClass))
          what = static_cast<std::uint8_t>(r.column);
        else if (r.decodeClass == kHighLeft || r.decodeClass == kHighRight)
          what = static_cast<std::uint8_t>(r.column | Decoder::kHighByte);
      }
    }
    decoder.byteSlot[at] = what;
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
  if (!takeMaskedBytes(reader, d, flags, extended ? kExtendedSignGroups : kPlainSignGroups))
    return RecordOutcome::Truncated;

  int count = 0;
  for (std::uint8_t m : d.fieldMask) count += std::popcount(m);
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
  // 1. Data bytes to their slots: the bytes come in ascending order of group,
  // then bit, as the rows do. A low byte sets its column's raw difference and
  // a high byte adds to it; a raw difference is only used when its low byte
  // came in the same record, so one left over from a lone high byte is never
  // read (it wraps, without overflow, if such bytes keep coming).
  int next = 0;
  for (int g = 0; g < kMaskGroups && next < d.dataCount; ++g) {
    for (unsigned mask = d.fieldMask[static_cast<std::size_t>(g)]; mask != 0 && next < d.dataCount;
         mask &= mask - 1) {
      const std::uint8_t byte = d.data[static_cast<std::size_t>(next++)];
      const std::uint8_t to = d.byteSlot[static_cast<std::size_t>(g * 8 + std::countr_zero(mask))];
      if (to == Decoder::kNoByteSlot) continue;
      ValueSlot& s = d.values[to & 0x7Fu];
      s.rawDifference = (to & Decoder::kHighByte) != 0 ? wrappingAdd(s.rawDifference, byte * 256) : byte;
    }
  }

  // 2 and 3. Differences, then the spreads over the available values, in
  // table order: a spread sees the values of the rows before it.
  std::int32_t smallestA = 9999, smallestB = 9999, largestA = -40, largestB = -40;
  for (int i = 0; i < d.stepCount; ++i) {
    const Decoder::Step& step = d.steps[static_cast<std::size_t>(i)];
    ValueSlot& s = d.values[step.column];
    if ((step.what & Decoder::kChanges) != 0 && (d.fieldMask[step.group] & step.bit) != 0) {
      const std::uint32_t raw = static_cast<std::uint32_t>(s.rawDifference);
      const std::int32_t diff = static_cast<std::int32_t>((d.signMask[step.group] & step.bit) != 0 ? 0u - raw : raw);
      if (diff == 0) {
        s.notAvailable = true;
      } else {
        s.notAvailable = false;
        s.currentValue = wrappingAdd(s.currentValue, diff);
      }
    }
    if ((step.what & Decoder::kInSpreadA) != 0) {
      if (!s.notAvailable) {
        smallestA = std::min(smallestA, s.currentValue);
        largestA = std::max(largestA, s.currentValue);
      }
    } else if ((step.what & Decoder::kInSpreadB) != 0) {
      if (!s.notAvailable) {
        smallestB = std::min(smallestB, s.currentValue);
        largestB = std::max(largestB, s.currentValue);
      }
    } else if ((step.what & (Decoder::kSpreadOfA | Decoder::kSpreadOfB)) != 0) {
      const std::int64_t spread = (step.what & Decoder::kSpreadOfA) != 0 ? std::int64_t{largestA} - smallestA
                                                                          : std::int64_t{largestB} - smallestB;
      s.currentValue = spread > 0 ? static_cast<std::int32_t>(std::min<std::int64_t>(
                                        spread, std::numeric_limits<std::int32_t>::max()))
                                  : 0;
    }
  }
}

}  // namespace varnix
