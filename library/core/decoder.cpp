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

void BuildChannelTable(Decoder& decoder, ChannelLayout layout) { decoder.channels = ChannelTable(layout); }

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
  const auto bitSet = [](const std::array<std::uint8_t, kMaskGroups>& masks, const ChannelRow& r) {
    return (masks[static_cast<std::size_t>(r.maskGroup)] >> r.maskBit) & 1u;
  };

  // 1. Data bytes to their rows, in table order (ascending group, then bit).
  // A raw difference lives for one record only: a high byte that came
  // without its low byte is never carried into a later record.
  for (ValueSlot& s : d.values) s.rawDifference = 0;
  int next = 0;
  for (const ChannelRow& r : d.channels) {
    if (!hasMask(r) || !bitSet(d.fieldMask, r)) continue;
    if (next >= d.dataCount) break;
    const std::uint8_t byte = d.data[static_cast<std::size_t>(next++)];
    ValueSlot* s = slotOf(d, r);
    if (!s) continue;
    if (IsDeltaClass(r.decodeClass))
      s->rawDifference = byte;
    else if (r.decodeClass == kHighLeft || r.decodeClass == kHighRight)
      s->rawDifference += byte * 256;
  }

  // 2 and 3. Differences, then the spreads over the available values.
  std::int32_t smallestA = 9999, smallestB = 9999, largestA = -40, largestB = -40;
  for (const ChannelRow& r : d.channels) {
    ValueSlot* s = slotOf(d, r);
    if (!s) continue;
    if (IsDeltaClass(r.decodeClass) && hasMask(r) && bitSet(d.fieldMask, r)) {
      const std::int32_t diff = bitSet(d.signMask, r) ? -s->rawDifference : s->rawDifference;
      if (diff == 0) {
        s->notAvailable = true;
      } else {
        s->notAvailable = false;
        s->currentValue = wrappingAdd(s->currentValue, diff);
      }
    }
    if (r.decodeClass == kDeltaSpreadA && !s->notAvailable) {
      smallestA = std::min(smallestA, s->currentValue);
      largestA = std::max(largestA, s->currentValue);
    } else if (r.decodeClass == kDeltaSpreadB && !s->notAvailable) {
      smallestB = std::min(smallestB, s->currentValue);
      largestB = std::max(largestB, s->currentValue);
    } else if (r.decodeClass == kSpreadA || r.decodeClass == kSpreadB) {
      const std::int64_t spread = r.decodeClass == kSpreadA
                                      ? std::int64_t{largestA} - smallestA
                                      : std::int64_t{largestB} - smallestB;
      s->currentValue = spread > 0 ? static_cast<std::int32_t>(std::min<std::int64_t>(
                                         spread, std::numeric_limits<std::int32_t>::max()))
                                   : 0;
    }
  }
}

}  // namespace varnix
