// SPDX-License-Identifier: MIT
#include "core/header_lines.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace varnix {

namespace {

bool isAlnum(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

int checkDigitValue(char c) {
  int v = static_cast<unsigned char>(c) - '0';
  if (v > 9) v -= 7;
  return v;
}

void copyField(char (&dest)[kMaxFieldChars + 1], std::string_view field) {
  // A missing field is an empty view whose data() is null: copy nothing.
  const std::size_t n = std::min(field.size(), kMaxFieldChars);
  if (n > 0) std::memcpy(dest, field.data(), n);
  dest[n] = '\0';
}

// Fields 1..kMaxFields of a line body; empty pieces are skipped.
struct Fields {
  std::array<std::string_view, kMaxFields + 1> piece{};
  std::string_view operator[](std::size_t i) const { return i < piece.size() ? piece[i] : std::string_view{}; }
};

Fields splitFields(std::string_view body) {
  Fields f;
  std::size_t index = 0;
  std::size_t start = 0;
  while (start <= body.size() && index < f.piece.size()) {
    std::size_t comma = body.find(',', start);
    if (comma == std::string_view::npos) comma = body.size();
    if (comma > start) f.piece[index++] = body.substr(start, std::min(comma - start, kMaxFieldChars));
    start = comma + 1;
  }
  return f;
}

void storeFields(char letter, const Fields& f, HeaderState& s) {
  switch (letter) {
    case 'U':
      copyField(s.userID, f[1]);
      break;
    case 'C':
      copyField(s.modelText, f[1]);
      copyField(s.firmwareText, f[5]);
      s.firmwareVersion = FieldNumber(s.firmwareText);
      break;
    case 'D': {
      const std::int64_t bytes = static_cast<std::int64_t>(FieldNumber(f[2])) * 2;
      if (s.flightCount < static_cast<std::int32_t>(kMaxFlights)) {
        s.flightLengths[static_cast<std::size_t>(s.flightCount)] = static_cast<std::int32_t>(
            std::clamp<std::int64_t>(bytes, std::numeric_limits<std::int32_t>::min(),
                                     std::numeric_limits<std::int32_t>::max()));
        ++s.flightCount;
      }
      if (s.flightLinesSeen < std::numeric_limits<std::int32_t>::max()) ++s.flightLinesSeen;
      break;
    }
    case 'F':
      s.fuelUnit = FieldNumber(f[1]);
      break;
    case 'L': {
      const std::int64_t bytes = static_cast<std::int64_t>(FieldNumber(f[1])) * 256;
      s.flightDataBytes = static_cast<std::int32_t>(std::clamp<std::int64_t>(
          bytes, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
      break;
    }
    case 'P':
      s.extendedFlights = true;
      break;
    default:
      break;
  }
}

}  // namespace

std::uint8_t NmeaChecksum(std::string_view body) {
  std::uint8_t x = 0;
  for (char c : body) x ^= static_cast<std::uint8_t>(c);
  return x;
}

std::int32_t FieldNumber(std::string_view field) {
  std::size_t i = 0;
  while (i < field.size() && field[i] == ' ') ++i;
  bool negative = false;
  if (i < field.size() && (field[i] == '+' || field[i] == '-')) {
    negative = field[i] == '-';
    ++i;
  }
  std::int64_t value = 0;
  for (; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i) {
    value = value * 10 + (field[i] - '0');
    if (value > std::numeric_limits<std::int32_t>::max()) {
      value = std::numeric_limits<std::int32_t>::max() + std::int64_t{1};
      break;
    }
  }
  if (negative) value = -value;
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(
      value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

HeaderLineVerdict ParseHeaderLine(std::string_view line, HeaderState& state) {
  if (line.empty() || line[0] != '$') return {' ', true};
  const char letter = line.size() > 1 ? line[1] : '\0';
  if (line.size() > kMaxHeaderLineChars) return {letter, false};

  const std::size_t star = line.find('*');
  if (star == std::string_view::npos) return {letter, false};

  // Exactly two letters or digits after "*", then something that is neither
  // (the CR, or the end of the line).
  const std::string_view check = line.substr(star + 1);
  if (check.size() < 2 || !isAlnum(check[0]) || !isAlnum(check[1])) return {letter, false};
  if (check.size() > 2 && isAlnum(check[2])) return {letter, false};

  const int expected = checkDigitValue(check[0]) * 16 + checkDigitValue(check[1]);
  if (NmeaChecksum(line.substr(1, star - 1)) != expected) return {letter, false};

  // The stored text is the line less its last four characters ("*", the two
  // check digits and the CR), whatever those four are.
  const std::string_view body = line.substr(0, line.size() >= 4 ? line.size() - 4 : 0);
  storeFields(letter, splitFields(body), state);
  return {letter, true};
}

}  // namespace varnix
