// SPDX-License-Identifier: MIT
#include "core/flight_header.h"

namespace varnix {

FlightHeaderRead ReadFlightHeader(ByteReader& reader, bool extended, FlightHeader& entry) {
  const std::size_t length = extended ? kExtendedFlightHeaderBytes : kFlightHeaderBytes;
  std::uint8_t b[kExtendedFlightHeaderBytes] = {};
  for (std::size_t i = 0; i < length; ++i) {
    if (!reader.take(b[i])) return {FlightHeaderOutcome::Truncated, 0};
  }
  const auto word = [&b](std::size_t at) { return static_cast<std::uint32_t>(b[at] << 8 | b[at + 1]); };

  entry.flightNumber = static_cast<std::uint16_t>(word(0));
  entry.presenceFlags = word(2) + 65536u * word(4);
  std::uint32_t extendedPresence = 0;
  std::size_t at = 6;
  if (extended) {
    extendedPresence = word(6) + 65536u * word(8);
    at = 10;
  }
  entry.fuelUnit = b[at];
  entry.option = b[at + 1];
  entry.interval = static_cast<std::uint16_t>(word(at + 2));
  const std::uint32_t date = word(at + 4);
  entry.day = static_cast<int>(date & 31);
  entry.month = static_cast<int>((date >> 5) & 15);
  entry.year = static_cast<int>(date >> 9);
  const std::uint32_t time = word(at + 6);
  entry.seconds = static_cast<int>((time & 31) * 2);
  entry.minutes = static_cast<int>((time >> 5) & 63);
  entry.hours = static_cast<int>(time >> 11);

  return {reader.checksum == 0 ? FlightHeaderOutcome::Ok : FlightHeaderOutcome::ChecksumError, extendedPresence};
}

char EngineUnitLetter(const FlightHeader& entry) { return (entry.presenceFlags >> 28) & 1u ? 'F' : 'C'; }

char OutsideAirUnitLetter(const FlightHeader& entry) { return (entry.option >> 5) & 1u ? 'F' : 'C'; }

}  // namespace varnix
