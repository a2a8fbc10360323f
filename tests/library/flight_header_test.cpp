// SPDX-License-Identifier: GPL-3.0-or-later
// The fixed flight header: byte layout, check byte and unit letters.
#include <gtest/gtest.h>

#include "core/flight_header.h"
#include "support/dump_builder.h"

namespace varnix {
namespace {

FlightHeaderRead readHeader(const test::Bytes& bytes, bool extended, FlightHeader& entry, ByteReader& reader) {
  reader = ByteReader{bytes.data(), bytes.size(), 0, 0, 0};
  return ReadFlightHeader(reader, extended, entry);
}

TEST(FlightHeader, DecodesTheFifteenByteExample) {
  const test::Bytes bytes = {0x00, 0x17, 0x00, 0x3C, 0x10, 0x00, 0x00, 0x20, 0x00, 0x06, 0x06, 0xEE, 0x53, 0xC0, 0x66};
  FlightHeader f{};
  ByteReader r;
  const FlightHeaderRead read = readHeader(bytes, false, f, r);
  EXPECT_EQ(read.outcome, FlightHeaderOutcome::Ok);
  EXPECT_EQ(read.extendedPresence, 0u);
  EXPECT_EQ(r.consumed, 15);
  EXPECT_EQ(f.flightNumber, 23);
  EXPECT_EQ(f.presenceFlags, (1u << 2) | (1u << 3) | (1u << 4) | (1u << 5) | (1u << 28));
  EXPECT_EQ(f.fuelUnit, 0);
  EXPECT_EQ(f.interval, 6);
  EXPECT_EQ(f.month, 7);
  EXPECT_EQ(f.day, 14);
  EXPECT_EQ(f.year, 3);
  EXPECT_EQ(f.hours, 10);
  EXPECT_EQ(f.minutes, 30);
  EXPECT_EQ(f.seconds, 0);
  EXPECT_EQ(EngineUnitLetter(f), 'F');
  EXPECT_EQ(OutsideAirUnitLetter(f), 'F');

  test::Bytes changed = bytes;
  changed.back() = 0x67;
  EXPECT_EQ(readHeader(changed, false, f, r).outcome, FlightHeaderOutcome::ChecksumError);
}

TEST(FlightHeader, ExtendedPresenceAndRawFieldsAreUsedAsTheyAre) {
  test::FlightHeaderFields fields;
  fields.flightNumber = 40000;  // above the signed 16-bit range
  fields.extendedPresence = 0x0000000F;
  const test::Bytes ext = test::flightHeader(fields, true);
  ASSERT_EQ(ext.size(), 19u);
  FlightHeader f{};
  ByteReader r;
  const FlightHeaderRead read = readHeader(ext, true, f, r);
  EXPECT_EQ(read.outcome, FlightHeaderOutcome::Ok);
  EXPECT_EQ(read.extendedPresence, 0xFu);
  EXPECT_EQ(f.flightNumber, 40000);
  EXPECT_EQ(EngineUnitLetter(f), 'C');
  EXPECT_EQ(OutsideAirUnitLetter(f), 'C');

  // A start time word of 0xFFFF gives 31:63:62, used unchanged.
  test::Bytes allOnes = {0, 1, 0, 0, 0, 0, 0, 0, 0, 6, 0, 0, 0xFF, 0xFF};
  allOnes = test::withXorCheck(allOnes);
  readHeader(allOnes, false, f, r);
  EXPECT_EQ(f.hours, 31);
  EXPECT_EQ(f.minutes, 63);
  EXPECT_EQ(f.seconds, 62);
}

TEST(FlightHeader, ShortDataIsNeverReadPastItsEnd) {
  const test::Bytes bytes = test::flightHeader({}, false);
  for (std::size_t n = 0; n < bytes.size(); ++n) {
    const test::Bytes cut(bytes.begin(), bytes.begin() + static_cast<long>(n));
    FlightHeader f{};
    ByteReader r{cut.data(), cut.size(), 0, 0, 0};
    EXPECT_EQ(ReadFlightHeader(r, false, f).outcome, FlightHeaderOutcome::Truncated) << n;
    EXPECT_EQ(r.pos, n);
  }
}

}  // namespace
}  // namespace varnix
