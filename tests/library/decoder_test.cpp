// SPDX-License-Identifier: GPL-3.0-or-later
// Channel tables, the value table and reading and applying records.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "core/decoder.h"
#include "support/dump_builder.h"

namespace varnix {
namespace {

using test::Bytes;
using test::RecordBuilder;

constexpr std::uint32_t bits(std::initializer_list<int> list) {
  std::uint32_t v = 0;
  for (int b : list) v |= 1u << b;
  return v;
}

struct Flight {
  Decoder d;
  Flight(ChannelLayout layout, std::uint32_t presence, std::uint32_t extended = 0) {
    BuildChannelTable(d, layout);
    SetUpValueTable(d, presence, extended);
  }
  // Reads and applies one record; the outcome of the read.
  RecordOutcome feed(const Bytes& record, bool extendedForm = false) {
    ByteReader r{record.data(), record.size(), 0, 0, 0};
    const RecordOutcome o = ReadRecord(d, r, extendedForm);
    if (o == RecordOutcome::Ok) {
      EXPECT_EQ(r.pos, record.size()) << "the whole record is consumed";
      ApplyRecord(d);
    }
    return o;
  }
  const ValueSlot& slot(int column) const { return d.values[static_cast<std::size_t>(column)]; }
  int value(int column) const { return slot(column).currentValue; }
};

TEST(ChannelTables, RowCountsOrderAndShape) {
  EXPECT_EQ(ChannelTable(ChannelLayout::Single).size(), 68u);
  EXPECT_EQ(ChannelTable(ChannelLayout::Twin).size(), 69u);
  EXPECT_EQ(ChannelTable(ChannelLayout::Extended).size(), 74u);
  for (ChannelLayout layout : {ChannelLayout::Single, ChannelLayout::Twin, ChannelLayout::Extended}) {
    const auto rows = ChannelTable(layout);
    // Every mask position of groups 0-7 exactly once, ascending, before the rest.
    for (int i = 0; i < 64; ++i) {
      EXPECT_EQ(rows[static_cast<std::size_t>(i)].maskGroup, i / 8);
      EXPECT_EQ(rows[static_cast<std::size_t>(i)].maskBit, i % 8);
    }
    std::set<int> markers;
    for (std::size_t i = 0; i < rows.size(); ++i)
      if (rows[i].presenceBit == kEndMarker) markers.insert(static_cast<int>(i));
    ASSERT_EQ(markers.size(), 1u);
    const int marker = *markers.begin();
    EXPECT_EQ(std::string(rows[static_cast<std::size_t>(marker - 1)].name), "HOBBS");
    EXPECT_EQ(std::string(rows[static_cast<std::size_t>(marker - 2)].name), "TIME");
    // A channel and its high byte feed the same column under the same name.
    for (const ChannelRow& r : rows) {
      if (r.decodeClass != kHighLeft && r.decodeClass != kHighRight) continue;
      bool found = false;
      for (const ChannelRow& low : rows)
        if (IsDeltaClass(low.decodeClass) && low.column == r.column && std::string(low.name) == r.name &&
            low.presenceBit == r.presenceBit)
          found = true;
      EXPECT_TRUE(found) << r.name;
    }
  }
  const auto ext = ChannelTable(ChannelLayout::Extended);
  EXPECT_EQ(std::string(ext[68].name), "AMPS");
  EXPECT_EQ(std::string(ext[73].name), "F-P");
  EXPECT_EQ(std::string(ext[20].name), "BAT1");
  EXPECT_EQ(ext[16].column, 41);  // MARK
}

TEST(Decoder, FirstWorkedExampleSingleLayout) {
  Flight f(ChannelLayout::Single, bits({2, 3, 4, 5, 28}));
  std::set<int> enabled;
  for (int c = 0; c < kValueSlots; ++c)
    if (f.slot(c).enabled) enabled.insert(c);
  EXPECT_EQ(enabled, (std::set<int>{0, 2, 3, 4, 5, 23, 24, 35}));
  EXPECT_FALSE(f.d.fuelFlowPresent);

  ASSERT_EQ(f.feed({0x41, 0x41, 0x00, 0x01, 0x01, 0x00, 0x56, 0x04, 0x52}), RecordOutcome::Ok);
  EXPECT_EQ(f.value(2), 1350);
  EXPECT_EQ(f.value(3), 240);
  EXPECT_EQ(f.value(23), 1110);

  ASSERT_EQ(f.feed({0x01, 0x01, 0x02, 0x01, 0x01, 0x1E, 0x1C}), RecordOutcome::Ok);
  EXPECT_EQ(f.d.repeatCount, 2);
  EXPECT_EQ(f.value(2), 1320);
  EXPECT_EQ(f.value(23), 1080);

  ASSERT_EQ(f.feed({0x01, 0x01, 0x00, 0x02, 0x00, 0x00, 0x02}), RecordOutcome::Ok);
  EXPECT_TRUE(f.slot(3).notAvailable);
  EXPECT_EQ(f.value(3), 240);
  EXPECT_EQ(f.value(23), 1080) << "spread over E1, E3, E4 only";

  // The next nonzero difference is added to the value held before.
  ASSERT_EQ(f.feed(RecordBuilder().set(0, 1, 5, true).encode(false)), RecordOutcome::Ok);
  EXPECT_FALSE(f.slot(3).notAvailable);
  EXPECT_EQ(f.value(3), 235);
}

TEST(Decoder, SecondWorkedExampleExtendedLayout) {
  Flight f(ChannelLayout::Extended, bits({0, 1, 2, 3}));
  std::set<int> enabled;
  for (int c = 0; c < kValueSlots; ++c)
    if (f.slot(c).enabled) enabled.insert(c);
  EXPECT_EQ(enabled, (std::set<int>{0, 2, 3, 23, 24, 28, 36, 41}));
  const Bytes record = {0x01, 0x05, 0x01, 0x05, 0x00, 0x03, 0x10, 0x01, 0x02, 0x00, 0x01, 0x0A, 0x14, 0x78, 0x05, 0x72};
  ASSERT_EQ(f.feed(record, true), RecordOutcome::Ok);
  EXPECT_EQ(f.value(2), 250);
  EXPECT_EQ(f.value(3), 220);
  EXPECT_EQ(f.value(23), 30);
  EXPECT_EQ(f.value(28), 360);
  EXPECT_EQ(f.value(36), 235);
}

TEST(Decoder, HighBytesSignsAndByteAlignment) {
  Flight f(ChannelLayout::Single, bits({2, 4, 28}));  // E1, E3; E2 not recorded
  // 0x01 low and 0x02 high, negative: minus 513.
  ASSERT_EQ(f.feed(RecordBuilder().set(0, 0, 0x01, true).set(6, 0, 0x02).encode(false)), RecordOutcome::Ok);
  EXPECT_EQ(f.value(2), 240 - 513);
  // A high byte without its low byte changes nothing, now or later.
  ASSERT_EQ(f.feed(RecordBuilder().set(6, 0, 0x07).encode(false)), RecordOutcome::Ok);
  EXPECT_EQ(f.value(2), 240 - 513);
  ASSERT_EQ(f.feed(RecordBuilder().set(0, 0, 0x03).encode(false)), RecordOutcome::Ok);
  EXPECT_EQ(f.value(2), 240 - 510);
  // E2's byte is taken without effect; E3 still gets its own byte.
  ASSERT_EQ(f.feed(RecordBuilder().set(0, 1, 0x11).set(0, 2, 0x22).encode(false)), RecordOutcome::Ok);
  EXPECT_FALSE(f.slot(3).enabled);
  EXPECT_EQ(f.value(4), 240 + 0x22);
  // Spare positions (group 4) take their bytes too.
  ASSERT_EQ(f.feed(RecordBuilder().set(4, 3, 0x99).set(6, 2, 0x01).set(0, 2, 0x01).encode(false)), RecordOutcome::Ok);
  EXPECT_EQ(f.value(4), 240 + 0x22 + 0x101);
}

TEST(Decoder, SpreadOfNoneOrOneAvailableValueIsZero) {
  Flight f(ChannelLayout::Single, bits({2, 3}));
  ASSERT_EQ(f.feed(RecordBuilder().set(0, 0, 0).set(0, 1, 0).encode(false)), RecordOutcome::Ok);
  EXPECT_EQ(f.value(23), 0);
  ASSERT_EQ(f.feed(RecordBuilder().set(0, 0, 9).encode(false)), RecordOutcome::Ok);
  EXPECT_EQ(f.value(23), 0);
  EXPECT_FALSE(f.slot(23).notAvailable);
}

TEST(Decoder, TwinKeepsTheEnginesApartAndHidesRpmAndMap) {
  Flight f(ChannelLayout::Twin, bits({2, 3, 26, 30, 27}));
  for (int c : {22, 23, 44, 45}) EXPECT_FALSE(f.slot(c).enabled) << c;
  EXPECT_EQ(std::string(f.slot(24).name), "RE1");
  ASSERT_EQ(f.feed(RecordBuilder()
                       .set(0, 0, 10)
                       .set(0, 1, 30)
                       .set(3, 0, 100)
                       .set(3, 1, 1, true)
                       .set(5, 1, 0x55)  // LRPM: read, never shown
                       .set(5, 7, 7)     // RFF
                       .encode(false)),
            RecordOutcome::Ok);
  EXPECT_EQ(f.value(18), 20) << "LDIF over LE1, LE2";
  EXPECT_EQ(f.value(40), 101) << "RDIF over RE1, RE2";
  EXPECT_EQ(f.value(42), 247);
}

TEST(Decoder, ExtendedGroupsSixAndSevenCarryNoSignMask) {
  Flight f(ChannelLayout::Extended, bits({2}));
  const Bytes rec = RecordBuilder().set(0, 0, 0x10).set(6, 0, 0x01).set(9, 3, 0x44).encode(true);
  // flags(2) copy(2) repeat, masks 0, 6, 9, signs 0, 9, data 3, check
  EXPECT_EQ(rec.size(), 2u + 2 + 1 + 3 + 2 + 3 + 1);
  ASSERT_EQ(f.feed(rec, true), RecordOutcome::Ok);
  EXPECT_EQ(f.value(2), 240 + 0x110);
}

TEST(Decoder, FaultyRecordsLeaveTheValuesAlone) {
  Flight f(ChannelLayout::Single, bits({2}));
  EXPECT_EQ(f.feed(RecordBuilder().set(0, 0, 5).mismatchFlags().encode(false)), RecordOutcome::FlagMismatch);
  EXPECT_EQ(f.feed(RecordBuilder().set(0, 0, 5).badChecksum().encode(false)), RecordOutcome::ChecksumError);
  EXPECT_EQ(f.value(2), 240);
  const Bytes whole = RecordBuilder().set(0, 0, 5).set(2, 0, 1).encode(false);
  for (std::size_t n = 0; n < whole.size(); ++n) {
    const Bytes cut(whole.begin(), whole.begin() + static_cast<long>(n));
    ByteReader r{cut.data(), cut.size(), 0, 0, 0};
    EXPECT_EQ(ReadRecord(f.d, r, false), RecordOutcome::Truncated) << n;
  }
}

TEST(Decoder, ValuesNeverOverflow) {
  Flight f(ChannelLayout::Single, bits({2}));
  const Bytes big = RecordBuilder().set(0, 0, 0xFF).set(6, 0, 0xFF).encode(false);
  for (int i = 0; i < 40000; ++i) ASSERT_EQ(f.feed(big), RecordOutcome::Ok);
  EXPECT_NE(f.value(2), 0);  // wrapped, without undefined behaviour
}

TEST(Decoder, EveryFlightStartsFromTheInitialValues) {
  Flight f(ChannelLayout::Single, bits({2, 26}));
  ASSERT_EQ(f.feed(RecordBuilder().set(0, 0, 5).set(3, 6, 7).set(2, 0, 240, true).encode(false)), RecordOutcome::Ok);
  EXPECT_EQ(f.value(33), 7) << "HP starts at 0";
  EXPECT_EQ(f.value(35), 0);
  SetUpValueTable(f.d, bits({2, 26}), 0);
  EXPECT_EQ(f.value(2), 240);
  EXPECT_EQ(f.value(33), 0);
  EXPECT_EQ(f.value(35), 240) << "MARK starts at 240";
}

}  // namespace
}  // namespace varnix
