// SPDX-License-Identifier: MIT
#include "flight/open_flight.h"

#include <cstdio>

#include "flight/avionics_reader.h"
#include "platform/platform.h"

namespace varnix::flight {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// A native file begins with a quoted line; an avionics log re-saved by a
// spreadsheet does too, so the native reader is asked first and declines it.
bool looksNative(std::string_view first) {
  if (first.substr(0, kByteOrderMark.size()) == kByteOrderMark) first.remove_prefix(kByteOrderMark.size());
  return !first.empty() && first.front() == '"' && !LooksLikeAvionicsLog(first);
}

struct Format {
  std::string_view name;
  bool (*sniff)(std::string_view firstBytes);
  FlightRead (*read)(const std::string& path, const std::function<void(const Flight&)>& headerRead,
                     std::uint64_t* valueHash);
  FlightRead (*readText)(std::string_view text);
  std::uint64_t (*hashText)(std::string_view text);
};

FlightRead readNative(const std::string& path, const std::function<void(const Flight&)>& headerRead,
                      std::uint64_t* valueHash) {
  return ReadFlightFile(path, headerRead, valueHash);
}

constexpr Format kFormats[] = {
    {"native", looksNative, readNative, ReadFlightText, HashValueLines},
    {"avionics", LooksLikeAvionicsLog, ReadAvionicsFile, ReadAvionicsText, HashAvionicsValueLines},
};

const Format& formatOf(std::string_view firstBytes) {
  for (const Format& f : kFormats)
    if (f.sniff(firstBytes)) return f;
  return kFormats[0];
}

// The first bytes of the file at `path`; empty when it cannot be opened (the
// reader then says why, as it always has).
std::string firstBytes(const std::string& path) {
  bool notRegular = false;
  std::FILE* file = platform::openRegularFile(path, &notRegular);
  if (!file) return {};
  char buf[64];
  const std::size_t got = std::fread(buf, 1, sizeof buf, file);
  std::fclose(file);
  return std::string(buf, got);
}

}  // namespace

std::string_view FlightFormatOf(std::string_view first) { return formatOf(first).name; }

FlightRead OpenFlight(const std::string& path, const std::function<void(const Flight&)>& headerRead,
                      std::uint64_t* valueHash) {
  return formatOf(firstBytes(path)).read(path, headerRead, valueHash);
}

FlightRead OpenFlightText(std::string_view text) { return formatOf(text.substr(0, 64)).readText(text); }

std::uint64_t HashFlightText(std::string_view text) { return formatOf(text.substr(0, 64)).hashText(text); }

}  // namespace varnix::flight
