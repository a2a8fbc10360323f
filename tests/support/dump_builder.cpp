#include "support/dump_builder.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace varnix::test {

std::string checkDigits(std::string_view body) {
  std::uint8_t x = 0;
  for (char c : body) x ^= static_cast<std::uint8_t>(c);
  char digits[3];
  std::snprintf(digits, sizeof digits, "%02X", x);
  return digits;
}

std::string headerLine(std::string_view body) {
  return "$" + std::string(body) + "*" + checkDigits(body) + "\r\n";
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

void DumpBuilder::writeTo(const std::string& path) const { writeFile(path, data_); }

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void writeFile(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

TempDir::TempDir() {
  std::random_device rd;
  const auto base = std::filesystem::temp_directory_path();
  for (;;) {
    auto candidate = base / ("varnix-test-" + std::to_string(rd()));
    if (std::filesystem::create_directory(candidate)) {
      path_ = candidate.string();
      break;
    }
  }
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::string TempDir::file(std::string_view name) const { return path_ + "/" + std::string(name); }

std::string TempDir::folderArgument() const { return path_ + "/"; }

}  // namespace varnix::test
