// SPDX-License-Identifier: MIT
#include "store/catalog_entry.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <type_traits>

#include "flight/channels.h"
#include "flight/open_flight.h"
#include "analysis/flight_summary.h"

namespace varnix::flight {

namespace {

constexpr std::uint32_t kBlobMark = 0x56584332;  // "VXC2": channels carry their kind, cylinder and engine

class Writer {
 public:
  template <typename T>
  void put(T v) requires std::is_arithmetic_v<T> {
    char b[sizeof v];
    std::memcpy(b, &v, sizeof v);
    out.append(b, sizeof v);
  }
  void put(const std::string& s) {
    put(static_cast<std::uint32_t>(s.size()));
    out += s;
  }
  void put(const std::vector<float>& v) {
    put(static_cast<std::uint32_t>(v.size()));
    out.append(reinterpret_cast<const char*>(v.data()), v.size() * sizeof(float));
  }
  void put(const Figure& f) {
    put(f.key);
    put(f.channel);
    put(f.value);
    put(f.at);
    put(static_cast<std::uint8_t>(f.cylinder));
    put(static_cast<std::uint8_t>(f.engine));
  }
  std::string out;
};

// Reads what Writer wrote; every read checks the bounds, and a failed read
// leaves the reader failed.
class Reader {
 public:
  explicit Reader(std::string_view in) : in_(in) {}
  template <typename T>
  void get(T& v) requires std::is_arithmetic_v<T> {
    if (!take(sizeof v)) return;
    std::memcpy(&v, in_.data() + pos_ - sizeof v, sizeof v);
  }
  void get(std::string& s) {
    std::uint32_t n = 0;
    get(n);
    if (!take(n)) return;
    s.assign(in_.data() + pos_ - n, n);
  }
  void get(std::vector<float>& v) {
    std::uint32_t n = 0;
    get(n);
    if (ok_ && n > (in_.size() - pos_) / sizeof(float)) ok_ = false;
    if (!ok_) return;
    v.resize(n);
    take(n * sizeof(float));
    std::memcpy(v.data(), in_.data() + pos_ - n * sizeof(float), n * sizeof(float));
  }
  void get(Figure& f) {
    get(f.key);
    get(f.channel);
    get(f.value);
    get(f.at);
    std::uint8_t cylinder = 0, engine = 0;
    get(cylinder);
    get(engine);
    if (engine > static_cast<std::uint8_t>(Engine::Right)) ok_ = false;
    f.cylinder = cylinder;
    f.engine = static_cast<Engine>(engine);
  }
  // A count of items that take at least `each` bytes: refuses counts the blob cannot hold.
  std::uint32_t count(std::size_t each) {
    std::uint32_t n = 0;
    get(n);
    if (ok_ && n > (in_.size() - pos_) / each) ok_ = false;
    return ok_ ? n : 0;
  }
  bool ok() const { return ok_; }
  bool atEnd() const { return pos_ == in_.size(); }

 private:
  bool take(std::size_t n) {
    if (!ok_ || n > in_.size() - pos_) {
      ok_ = false;
      return false;
    }
    pos_ += n;
    return true;
  }
  std::string_view in_;
  std::size_t pos_ = 0;
  bool ok_ = true;
};

}  // namespace

std::string IsoStart(const FlightFacts& f) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d", f.year < 100 ? 2000 + f.year : f.year, f.month,
                f.day, f.hours, f.minutes, f.seconds);
  return buf;
}

TrendPoint CatalogEntry::trendPoint() const {
  TrendPoint p;
  p.engineUnit = engineUnit;
  for (const Figure& f : maxCht) p.maxCht.emplace_back(f.channel, f.value);
  for (const CruiseEgt& e : digest.cruise) p.cruiseEgt.emplace_back(e.channel, e.mean);
  return p;
}

namespace {

CatalogEntry entryOf(const FlightRead& read, std::uint64_t valueHash) {
  CatalogEntry e;
  if (!read.flight) {
    e.problem = read.problem.empty() ? "not a flight file" : read.problem;
    return e;
  }
  const Flight& f = *read.flight;
  FlightAnalysis a = AnalyseFlight(f);
  e.aircraft = f.facts.aircraft;
  e.flightLabel = f.facts.flightLabel;
  e.flightNumber = f.facts.flightNumber;
  e.start = IsoStart(f.facts);
  e.interval = f.facts.interval;
  e.rows = f.rows();
  e.recordedSeconds = a.summary.recordedSeconds;
  e.engineUnit = f.facts.engineUnit;
  e.fuelUnit = f.facts.fuelUnit;
  e.valueHash = valueHash;
  // A log has no duration line to wait for: only the expansion writes a file that grows.
  e.durationWritten = f.facts.durationHours >= 0 || f.facts.reader != "native";
  const Headline& h = a.headline;
  e.hottestEgt = h.hottestEgt;
  e.hottestCht = h.hottestCht;
  e.hottestTit = h.hottestTit;
  e.difMax = h.difMax;
  e.fastestCooling = h.fastestCooling;
  e.batteryMin = h.batteryMin;
  e.hottest = h.hottest;
  e.fuelUsed = h.fuelUsed;
  e.maxCht = h.maxCht;
  e.digest = std::move(a.digest);
  return e;
}

}  // namespace

CatalogEntry MakeCatalogEntry(std::string_view text) {
  const FlightRead read = OpenFlightText(text);
  return entryOf(read, read.flight ? HashFlightText(text) : 0);
}

CatalogEntry MakeCatalogEntry(FlightRead&& read, std::uint64_t valueHash) { return entryOf(read, valueHash); }

std::optional<CatalogEntry> MakeCatalogEntryFromFile(const std::string& path) {
  std::uint64_t hash = 0;
  const FlightRead read = OpenFlight(path, {}, &hash);
  if (read.unreadable) return std::nullopt;
  return entryOf(read, hash);
}

std::string EncodeEntry(const CatalogEntry& e) {
  Writer w;
  w.put(kBlobMark);
  w.put(e.problem);
  w.put(e.aircraft);
  w.put(e.flightLabel);
  w.put(static_cast<std::int64_t>(e.flightNumber));
  w.put(e.start);
  w.put(static_cast<std::int32_t>(e.interval));
  w.put(e.rows);
  w.put(e.recordedSeconds);
  w.put(e.engineUnit);
  w.put(e.fuelUnit);
  w.put(e.valueHash);
  w.put(static_cast<std::uint8_t>(e.durationWritten));
  for (const Figure* f : {&e.hottestEgt, &e.hottestCht, &e.hottestTit, &e.difMax, &e.fastestCooling, &e.batteryMin})
    w.put(*f);
  w.put(e.fuelUsed);
  w.put(static_cast<std::uint32_t>(e.hottest.size()));
  for (const Figure& f : e.hottest) w.put(f);
  w.put(static_cast<std::uint32_t>(e.maxCht.size()));
  for (const Figure& f : e.maxCht) w.put(f);
  const FlightDigest& d = e.digest;
  w.put(d.engineUnit);
  w.put(d.startOfDay);
  w.put(d.recordedSeconds);
  w.put(static_cast<std::uint32_t>(d.envelopes.size()));
  for (const Envelope& env : d.envelopes) {
    w.put(env.channel);
    w.put(static_cast<std::uint8_t>(env.kind));
    w.put(static_cast<std::uint8_t>(env.engine));
    w.put(static_cast<std::uint8_t>(env.derived));
    w.put(env.median);
    w.put(env.min);
    w.put(env.max);
    w.put(env.minAt);
    w.put(env.maxAt);
  }
  w.put(static_cast<std::uint8_t>(d.cruiseSteady));
  w.put(d.cruiseStart);
  w.put(d.cruiseEnd);
  w.put(static_cast<std::uint32_t>(d.cruise.size()));
  for (const CruiseEgt& c : d.cruise) {
    w.put(c.channel);
    w.put(static_cast<std::uint8_t>(c.cylinder));
    w.put(static_cast<std::uint8_t>(c.engine));
    w.put(c.mean);
    w.put(c.deviation);
    w.put(c.peakAt);
  }
  return std::move(w.out);
}

bool DecodeEntry(std::string_view blob, CatalogEntry& e) {
  Reader r(blob);
  std::uint32_t mark = 0;
  r.get(mark);
  if (mark != kBlobMark) return false;
  r.get(e.problem);
  r.get(e.aircraft);
  r.get(e.flightLabel);
  std::int64_t number = 0;
  r.get(number);
  e.flightNumber = static_cast<long>(number);
  r.get(e.start);
  std::int32_t interval = 0;
  r.get(interval);
  e.interval = interval;
  r.get(e.rows);
  r.get(e.recordedSeconds);
  r.get(e.engineUnit);
  r.get(e.fuelUnit);
  r.get(e.valueHash);
  std::uint8_t written = 0;
  r.get(written);
  e.durationWritten = written != 0;
  for (Figure* f : {&e.hottestEgt, &e.hottestCht, &e.hottestTit, &e.difMax, &e.fastestCooling, &e.batteryMin})
    r.get(*f);
  r.get(e.fuelUsed);
  e.hottest.resize(r.count(16));
  for (Figure& f : e.hottest) r.get(f);
  e.maxCht.resize(r.count(16));
  for (Figure& f : e.maxCht) r.get(f);
  FlightDigest& d = e.digest;
  r.get(d.engineUnit);
  r.get(d.startOfDay);
  r.get(d.recordedSeconds);
  d.envelopes.resize(r.count(25));
  for (Envelope& env : d.envelopes) {
    r.get(env.channel);
    std::uint8_t kind = 0, engine = 0, derived = 0;
    r.get(kind);
    r.get(engine);
    if (kind > static_cast<std::uint8_t>(ChannelKind::Other) || engine > static_cast<std::uint8_t>(Engine::Right))
      return false;
    env.kind = static_cast<ChannelKind>(kind);
    env.engine = static_cast<Engine>(engine);
    r.get(derived);
    env.derived = derived != 0;
    r.get(env.median);
    r.get(env.min);
    r.get(env.max);
    r.get(env.minAt);
    r.get(env.maxAt);
    if (env.max.size() != env.min.size() || env.minAt.size() != env.min.size() ||
        env.maxAt.size() != env.min.size())
      return false;
  }
  std::uint8_t steady = 0;
  r.get(steady);
  d.cruiseSteady = steady != 0;
  r.get(d.cruiseStart);
  r.get(d.cruiseEnd);
  d.cruise.resize(r.count(16));
  for (CruiseEgt& c : d.cruise) {
    r.get(c.channel);
    std::uint8_t cylinder = 0, engine = 0;
    r.get(cylinder);
    r.get(engine);
    if (engine > static_cast<std::uint8_t>(Engine::Right)) return false;
    c.cylinder = cylinder;
    c.engine = static_cast<Engine>(engine);
    r.get(c.mean);
    r.get(c.deviation);
    r.get(c.peakAt);
  }
  return r.ok() && r.atEnd();
}

}  // namespace varnix::flight
