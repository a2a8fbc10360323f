// SPDX-License-Identifier: GPL-3.0-or-later
// Encodes dumps as the instrument writes them, from a description: header
// lines with their check digits, flight headers and other blocks with their
// XOR check byte, records from their mask positions, padding and the closing
// line. One encoder for the tests and the simulated instrument; it shares
// nothing with the flight data library, so each checks the other.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace varnix::sim::encode {

using Bytes = std::vector<std::uint8_t>;

// "$" + body + "*" + check digits + CR LF, e.g. headerLine("E,4") == "$E,4*5D\r\n".
std::string headerLine(std::string_view body);

// The two check digits of a header line body, upper-case hex.
std::string checkDigits(std::string_view body);

// `block` with one more byte that makes the XOR of all its bytes 0.
Bytes withXorCheck(Bytes block);

struct FlightHeaderFields {
  std::uint16_t flightNumber = 1;
  std::uint32_t presence = 0;
  std::uint32_t extendedPresence = 0;  // written only for extended dumps
  std::uint8_t fuelUnit = 0;
  std::uint8_t option = 0;
  std::uint16_t interval = 6;
  int day = 1, month = 1, year = 3;           // year: the raw 7-bit field
  int hours = 0, minutes = 0, seconds = 0;    // seconds stored halved
};

// The 15-byte (19 with `extended`) flight header with its check byte.
Bytes flightHeader(const FlightHeaderFields& f, bool extended = false);

class DumpBuilder {
 public:
  DumpBuilder& line(std::string_view body);       // a checked header line
  DumpBuilder& text(std::string_view raw);        // raw text, as it stands
  DumpBuilder& bytes(const Bytes& raw);
  DumpBuilder& block(const Bytes& raw);           // raw + XOR check byte
  DumpBuilder& padding(std::size_t n = 1, std::uint8_t value = 0);
  DumpBuilder& closing();                         // "$E,4*5D" CR LF

  std::size_t size() const { return data_.size(); }
  const std::string& str() const { return data_; }
  void writeTo(const std::string& path) const;

 private:
  std::string data_;
};

// One flight record described by mask positions: the assembler computes the
// flags, their copy, the field and sign masks and the check byte.
class RecordBuilder {
 public:
  explicit RecordBuilder(int repeat = 0) : repeat_(repeat) {}
  // The data byte at (group, bit); `negative` sets its sign-mask bit.
  RecordBuilder& set(int group, int bit, std::uint8_t byte, bool negative = false);
  // A difference for a channel with a high byte: low and high bytes, one sign.
  RecordBuilder& wide(int group, int bit, int highGroup, int highBit, int difference);
  // Sends group g's field mask even when no byte of it is set.
  RecordBuilder& touch(int group);
  // Faults: a flags copy other than the flags, a wrong check byte.
  RecordBuilder& mismatchFlags() { mismatch_ = true; return *this; }
  RecordBuilder& badChecksum() { badChecksum_ = true; return *this; }
  Bytes encode(bool extended) const;

 private:
  int repeat_;
  std::uint8_t field_[16] = {};
  std::uint8_t sign_[16] = {};
  std::uint8_t data_[16][8] = {};
  std::uint16_t groups_ = 0;
  bool mismatch_ = false;
  bool badChecksum_ = false;
};

struct FlightPlan {
  FlightHeaderFields header;
  std::vector<RecordBuilder> records;
  bool corruptHeader = false;  // flips the header's check byte
};

// A whole dump: "$U", "$A", "$C", "$D" per flight, "$F", "$T", "$P" when
// extended, "$L" with the block count, the flight data (each flight padded
// to an even length), optionally filled to the 256-byte block, the closing line.
struct DumpPlan {
  std::string userId = "N123AB";
  std::string model = "830";
  std::string firmware = "288";
  bool extended = false;
  std::vector<FlightPlan> flights;
  bool fillLastBlock = true;
  bool closingLine = true;
  std::string extraHeaderLines;  // raw text placed before the "$L" line
};

std::string assembleDump(const DumpPlan& plan);

}  // namespace varnix::sim::encode
