// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/header_lines.h"

#include <gtest/gtest.h>

#include <string>

#include "support/dump_builder.h"

namespace varnix {
namespace {

using test::headerLine;

// A header line as the parser receives it: without its line feed.
std::string lineOf(std::string_view body) {
  std::string l = headerLine(body);
  l.pop_back();
  return l;
}

// Each test parses into its own header state.
class HeaderLines : public ::testing::Test {
 protected:
  HeaderState state{};
  HeaderLineVerdict ParseHeaderLine(std::string_view line) { return varnix::ParseHeaderLine(line, state); }
};

TEST_F(HeaderLines, CheckDigitsFollowTheNmeaRule) {
  EXPECT_EQ(test::checkDigits("E,4"), "5D");
  auto v = ParseHeaderLine("$E,4*5D\r");
  EXPECT_TRUE(v.valid);
  EXPECT_EQ(v.letter, 'E');

  EXPECT_FALSE(ParseHeaderLine("$E,4*5d\r").valid) << "lower-case check digits";
  EXPECT_FALSE(ParseHeaderLine("$E,4*5E\r").valid) << "wrong check digits";
  EXPECT_FALSE(ParseHeaderLine("$E,4*5D7\r").valid) << "three check characters";
  EXPECT_FALSE(ParseHeaderLine("$E,4*5\r").valid) << "one check character";
  EXPECT_FALSE(ParseHeaderLine("$E,4\r").valid) << "no star";
  EXPECT_EQ(ParseHeaderLine("$E,4\r").letter, 'E') << "the letter is given whatever the verdict";
}

TEST_F(HeaderLines, LinesWithoutDollarAreValidWithLetterSpace) {
  auto v = ParseHeaderLine("hello\r");
  EXPECT_TRUE(v.valid);
  EXPECT_EQ(v.letter, ' ');
  EXPECT_TRUE(ParseHeaderLine("").valid);
  EXPECT_FALSE(ParseHeaderLine("$").valid);
}

TEST_F(HeaderLines, UserLineStoresItsFirstNonEmptyField) {
  ASSERT_TRUE(ParseHeaderLine(lineOf("U,,N123AB")).valid);
  EXPECT_STREQ(state.userID, "N123AB");
  ASSERT_TRUE(ParseHeaderLine(lineOf("U,ZK-ABC")).valid);
  EXPECT_STREQ(state.userID, "ZK-ABC");
}

TEST_F(HeaderLines, MissingCarriageReturnCostsTheLastCharacter) {
  std::string l = lineOf("U,N123AB");
  l.pop_back();  // the CR
  ASSERT_TRUE(ParseHeaderLine(l).valid);
  EXPECT_STREQ(state.userID, "N123A");
}

TEST_F(HeaderLines, InvalidLinesStoreNothing) {
  ASSERT_TRUE(ParseHeaderLine(lineOf("U,N1")).valid);
  std::string bad = lineOf("U,N2");
  bad[bad.size() - 2] ^= 1;  // spoil the check digits
  EXPECT_FALSE(ParseHeaderLine(bad).valid);
  EXPECT_STREQ(state.userID, "N1");
}

TEST_F(HeaderLines, ModelFirmwareFuelAndBlocks) {
  ASSERT_TRUE(ParseHeaderLine(lineOf("C,830,1,2,3,288")).valid);
  EXPECT_STREQ(state.modelText, "830");
  EXPECT_STREQ(state.firmwareText, "288");
  EXPECT_EQ(state.firmwareVersion, 288);

  ASSERT_TRUE(ParseHeaderLine(lineOf("F,2,0,0,0,0")).valid);
  EXPECT_EQ(state.fuelUnit, 2);

  ASSERT_TRUE(ParseHeaderLine(lineOf("L,12")).valid);
  EXPECT_EQ(state.flightDataBytes, 3072);
}

TEST_F(HeaderLines, FlightLengthsGrowOneEntryPerDLine) {
  for (const char* body : {"D,1,100", "D,2,0", "D,3,7"}) ASSERT_TRUE(ParseHeaderLine(lineOf(body)).valid);
  ASSERT_EQ(state.flightCount, 3);
  EXPECT_EQ(state.flightLengths[0], 200);
  EXPECT_EQ(state.flightLengths[1], 0);
  EXPECT_EQ(state.flightLengths[2], 14);
}

TEST_F(HeaderLines, FlightTableNeverOverruns) {
  for (int i = 0; i < 300; ++i) ASSERT_TRUE(ParseHeaderLine(lineOf("D,1,5")).valid);
  EXPECT_EQ(state.flightCount, 256);
  EXPECT_EQ(state.flightLinesSeen, 300);
}

TEST_F(HeaderLines, ExtendedFlagAndUnknownLetters) {
  ASSERT_TRUE(ParseHeaderLine(lineOf("Q,1,2")).valid);
  EXPECT_EQ(state.flightCount, 0);
  EXPECT_FALSE(state.extendedFlights);
  ASSERT_TRUE(ParseHeaderLine(lineOf("P")).valid);
  EXPECT_TRUE(state.extendedFlights);
}

TEST_F(HeaderLines, LimitsAreEnforcedWithoutOverflow) {
  // A field longer than nine characters is cut to nine.
  ASSERT_TRUE(ParseHeaderLine(lineOf("U,ABCDEFGHIJKL")).valid);
  EXPECT_STREQ(state.userID, "ABCDEFGHI");
  // A line of more than 99 characters is rejected.
  std::string body = "A";
  while (body.size() < 100) body += ",1";
  EXPECT_FALSE(ParseHeaderLine(lineOf(body)).valid);
  // Huge block counts saturate instead of wrapping.
  ASSERT_TRUE(ParseHeaderLine(lineOf("L,999999999")).valid);
  EXPECT_EQ(state.flightDataBytes, 2147483647);
}

TEST(FieldNumbers, DecimalWithBlanksAndSign) {
  EXPECT_EQ(FieldNumber("  42x"), 42);
  EXPECT_EQ(FieldNumber("-17"), -17);
  EXPECT_EQ(FieldNumber("abc"), 0);
  EXPECT_EQ(FieldNumber(""), 0);
  EXPECT_EQ(FieldNumber("99999999999"), 2147483647);
}

}  // namespace
}  // namespace varnix
