// SPDX-License-Identifier: MIT
// Header lines of a dump: "$" letter {"," field} "*" two hex check digits CR LF.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace varnix {

inline constexpr std::size_t kMaxHeaderLineChars = 99;  // before the line feed
inline constexpr std::size_t kMaxFieldChars = 9;
inline constexpr std::size_t kMaxFields = 9;            // after the letter
inline constexpr std::size_t kMaxFlights = 256;

// Values carried by a dump's header lines, filled line by line by
// ParseHeaderLine. Whoever parses owns one; calls on different values may
// run at once. The C exports keep the one that they share.
struct HeaderState {
  char userID[kMaxFieldChars + 1];
  char modelText[kMaxFieldChars + 1];
  char firmwareText[kMaxFieldChars + 1];
  std::int32_t firmwareVersion;
  std::int32_t fuelUnit;
  // One byte count per "$D" line. Lines past kMaxFlights are counted in
  // flightLinesSeen but not stored, so the table is never overrun.
  std::array<std::int32_t, kMaxFlights> flightLengths;
  std::int32_t flightCount;
  std::int32_t flightLinesSeen;
  bool extendedFlights;
  std::int32_t flightDataBytes;
};

struct HeaderLineVerdict {
  char letter;  // ' ' for a line that does not begin with "$"
  bool valid;
};

// Checks one line (without its line feed; its CR still present) and stores
// the values of a valid line into `state`. Lines longer than
// kMaxHeaderLineChars are invalid; fields longer than kMaxFieldChars are cut
// and fields past kMaxFields are ignored.
HeaderLineVerdict ParseHeaderLine(std::string_view line, HeaderState& state);

// The NMEA 0183 check byte of the text between "$" and "*".
std::uint8_t NmeaChecksum(std::string_view body);

// Decimal value: leading blanks, optional sign, digits; anything else ends
// the number, no digits give 0. Saturates at the int32 limits.
std::int32_t FieldNumber(std::string_view field);

}  // namespace varnix
