// SPDX-License-Identifier: MIT
// The fixed header at the start of every flight's binary data, and the
// flight table that keeps one decoded header per flight.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "core/byte_reader.h"
#include "core/header_lines.h"

namespace varnix {

inline constexpr std::size_t kFlightHeaderBytes = 15;
inline constexpr std::size_t kExtendedFlightHeaderBytes = 19;

struct FlightHeader {
  std::uint16_t flightNumber;  // printed as the unsigned value it is
  std::uint32_t presenceFlags;
  std::uint8_t fuelUnit;       // 0 GPH, 1 LPH, 2 PPH, 3 KPH
  std::uint8_t option;         // bit 5: outside air in Fahrenheit
  std::uint16_t interval;      // seconds between records
  int day, month, year;        // year: the raw 7-bit field
  int hours, minutes, seconds;
};

using FlightTable = std::array<FlightHeader, kMaxFlights>;

enum class FlightHeaderOutcome {
  Ok,
  ChecksumError,  // the XOR of the header's bytes is not 0
  Truncated,      // the dump ends inside the header
};

struct FlightHeaderRead {
  FlightHeaderOutcome outcome;
  std::uint32_t extendedPresence;  // 0 unless the dump is extended
};

// Reads 15 (19 when `extended`) bytes at the reader's position into `entry`,
// each byte XOR-ed into the reader's checksum and counted as consumed.
FlightHeaderRead ReadFlightHeader(ByteReader& reader, bool extended, FlightHeader& entry);

// "F" when presence bit 28 is set, else "C".
char EngineUnitLetter(const FlightHeader& entry);
// "F" when option bit 5 is set, else "C".
char OutsideAirUnitLetter(const FlightHeader& entry);

}  // namespace varnix
