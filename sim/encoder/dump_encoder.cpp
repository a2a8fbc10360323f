// SPDX-License-Identifier: GPL-3.0-or-later
#include "encoder/dump_encoder.h"

#include <cstdio>
#include <fstream>

namespace varnix::sim::encode {

std::string checkDigits(std::string_view body) {
  std::uint8_t x = 0;
  for (char c : body) x ^= static_cast<std::uint8_t>(c);
  char digits[3];
  std::snprintf(digits, sizeof digits, "%02X", x);
  return digits;
}

// Appended piece by piece: GCC 12 at -O3 warns of a false overlap (-Wrestrict)
// in "$" + std::string(...).
std::string headerLine(std::string_view body) {
  std::string line = "$";
  line.append(body).append("*").append(checkDigits(body)).append("\r\n");
  return line;
}

Bytes withXorCheck(Bytes block) {
  std::uint8_t x = 0;
  for (auto b : block) x ^= b;
  block.push_back(x);
  return block;
}

namespace {
void put16(Bytes& out, unsigned v) {
  out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
  out.push_back(static_cast<std::uint8_t>(v & 0xFF));
}
}  // namespace

Bytes flightHeader(const FlightHeaderFields& f, bool extended) {
  Bytes b;
  put16(b, f.flightNumber);
  put16(b, f.presence & 0xFFFF);
  put16(b, f.presence >> 16);
  if (extended) {
    put16(b, f.extendedPresence & 0xFFFF);
    put16(b, f.extendedPresence >> 16);
  }
  b.push_back(f.fuelUnit);
  b.push_back(f.option);
  put16(b, f.interval);
  put16(b, static_cast<unsigned>((f.day & 31) | ((f.month & 15) << 5) | ((f.year & 127) << 9)));
  put16(b, static_cast<unsigned>(((f.seconds / 2) & 31) | ((f.minutes & 63) << 5) | ((f.hours & 31) << 11)));
  return withXorCheck(b);
}

DumpBuilder& DumpBuilder::line(std::string_view body) {
  data_ += headerLine(body);
  return *this;
}

DumpBuilder& DumpBuilder::text(std::string_view raw) {
  data_ += raw;
  return *this;
}

DumpBuilder& DumpBuilder::bytes(const Bytes& raw) {
  data_.append(raw.begin(), raw.end());
  return *this;
}

DumpBuilder& DumpBuilder::block(const Bytes& raw) { return bytes(withXorCheck(raw)); }

DumpBuilder& DumpBuilder::padding(std::size_t n, std::uint8_t value) {
  data_.append(n, static_cast<char>(value));
  return *this;
}

DumpBuilder& DumpBuilder::closing() { return text("$E,4*5D\r\n"); }

void DumpBuilder::writeTo(const std::string& path) const {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(data_.data(), static_cast<std::streamsize>(data_.size()));
}

RecordBuilder& RecordBuilder::set(int group, int bit, std::uint8_t byte, bool negative) {
  field_[group] = static_cast<std::uint8_t>(field_[group] | (1u << bit));
  if (negative) sign_[group] = static_cast<std::uint8_t>(sign_[group] | (1u << bit));
  data_[group][bit] = byte;
  groups_ = static_cast<std::uint16_t>(groups_ | (1u << group));
  return *this;
}

RecordBuilder& RecordBuilder::wide(int group, int bit, int highGroup, int highBit, int difference) {
  const int magnitude = difference < 0 ? -difference : difference;
  set(group, bit, static_cast<std::uint8_t>(magnitude & 0xFF), difference < 0);
  if (magnitude > 0xFF) set(highGroup, highBit, static_cast<std::uint8_t>((magnitude >> 8) & 0xFF));
  return *this;
}

RecordBuilder& RecordBuilder::touch(int group) {
  groups_ = static_cast<std::uint16_t>(groups_ | (1u << group));
  return *this;
}

Bytes RecordBuilder::encode(bool extended) const {
  Bytes b;
  const int groupCount = extended ? 16 : 8;
  const unsigned flags = groups_ & (extended ? 0xFFFFu : 0xFFu);
  const unsigned copy = mismatch_ ? flags ^ 1u : flags;
  if (extended) {
    put16(b, flags);
    put16(b, copy);
  } else {
    b.push_back(static_cast<std::uint8_t>(flags));
    b.push_back(static_cast<std::uint8_t>(copy));
  }
  b.push_back(static_cast<std::uint8_t>(repeat_));
  for (int g = 0; g < groupCount; ++g)
    if (flags >> g & 1u) b.push_back(field_[g]);
  for (int g = 0; g < groupCount; ++g) {
    const bool hasSign = extended ? (g != 6 && g != 7) : g <= 5;
    if (flags >> g & 1u && hasSign) b.push_back(sign_[g]);
  }
  for (int g = 0; g < groupCount; ++g)
    for (int bit = 0; bit < 8; ++bit)
      if (flags >> g & 1u && field_[g] >> bit & 1u) b.push_back(data_[g][bit]);
  b = withXorCheck(b);
  if (badChecksum_) b.back() ^= 0x55;
  return b;
}

std::string assembleDump(const DumpPlan& plan) {
  std::vector<Bytes> flights;
  std::size_t total = 0;
  for (const FlightPlan& f : plan.flights) {
    Bytes data = flightHeader(f.header, plan.extended);
    if (f.corruptHeader) data.back() ^= 0x01;
    for (const RecordBuilder& r : f.records) {
      const Bytes rec = r.encode(plan.extended);
      data.insert(data.end(), rec.begin(), rec.end());
    }
    if (data.size() % 2 == 1) data.push_back(0);
    total += data.size();
    flights.push_back(std::move(data));
  }
  const std::size_t blocks = (total + 255) / 256;

  DumpBuilder d;
  d.line("U," + plan.userId).line("A,1,2,3,4,5,6,7,8").line("C," + plan.model + ",1,2,3," + plan.firmware);
  for (std::size_t i = 0; i < flights.size(); ++i)
    d.line("D," + std::to_string(i + 1) + "," + std::to_string(flights[i].size() / 2));
  d.line("F,0,0,0,0,0").line("T,3,10,6,10,30,0");
  if (plan.extended) d.line("P");
  d.text(plan.extraHeaderLines);
  d.line("L," + std::to_string(blocks));
  for (const Bytes& f : flights) d.bytes(f);
  if (plan.fillLastBlock) d.padding(blocks * 256 - total, 0xFF);
  if (plan.closingLine) d.closing();
  return d.str();
}

}  // namespace varnix::sim::encode
