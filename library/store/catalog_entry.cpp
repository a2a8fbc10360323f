// SPDX-License-Identifier: MIT
#include "store/catalog_entry.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <limits>
#include <optional>
#include <type_traits>

#include "flight/channels.h"
#include "flight/open_flight.h"
#include "analysis/flight_summary.h"

namespace varnix::store {

namespace {

// "VXC5": the envelopes' figures are kept compact (CompactFloats) and the
// last lean test is kept. An entry of another mark does not decode, and the
// catalog reads its file again.
constexpr std::uint32_t kBlobMark = 0x56584337;  // 7: the run-up's magneto checks join the digest

// A list of floats as the envelopes hold them: readings and times in whole
// units or tenths, NaN for a minute without values. Such a list is kept as
// whole numbers of 10^-scale: the differences between neighbours in a byte
// each when they are small, else the numbers in two or four bytes; any other
// list raw. Only values that come back bit for bit are kept so. Fixed widths
// decode far faster than varints: the logbook decodes every entry it lists.
namespace compact {

enum Form : std::uint8_t { kRaw, kSteps8, kWhole16, kWhole32 };
constexpr double kScales[] = {1, 10, 100};
const float kNaN = std::numeric_limits<float>::quiet_NaN();

float valueOf(std::int64_t k, std::uint8_t scale) {
  // Whole numbers without the division (by 1, exact: the same value).
  if (scale == 0) return static_cast<float>(static_cast<double>(k));
  return static_cast<float>(static_cast<double>(k) / kScales[scale]);
}

bool sameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// `v` as whole numbers of the first scale that keeps every value exactly
// (NaN stays NaN); nothing when none does.
std::optional<std::uint8_t> scaleOf(const std::vector<float>& v, std::vector<std::int64_t>& whole) {
  for (std::uint8_t scale = 0; scale < std::size(kScales); ++scale) {
    whole.clear();
    const bool exact = std::all_of(v.begin(), v.end(), [&](float x) {
      if (sameBits(x, kNaN)) {
        whole.push_back(0);
        return true;
      }
      const double scaled = static_cast<double>(x) * kScales[scale];
      if (!(std::fabs(scaled) < 2e9)) return false;
      whole.push_back(std::llround(scaled));
      return sameBits(valueOf(whole.back(), scale), x);
    });
    if (exact) return scale;
  }
  return std::nullopt;
}

// The marks of NaN in each form.
constexpr std::int8_t kNaN8 = std::numeric_limits<std::int8_t>::min();
constexpr std::int16_t kNaN16 = std::numeric_limits<std::int16_t>::min();
constexpr std::int32_t kNaN32 = std::numeric_limits<std::int32_t>::min();

}  // namespace compact

// The blob is the fields of entryFields in their order. The writer and the
// reader visit that one list, so that no field is written and not read.
class Writer {
 public:
  template <typename T>
  void field(const T& v) requires std::is_arithmetic_v<T> {
    char b[sizeof v];
    std::memcpy(b, &v, sizeof v);
    out.append(b, sizeof v);
  }
  void field(const std::string& s) {
    field(static_cast<std::uint32_t>(s.size()));
    out += s;
  }
  void field(const std::vector<float>& v) {
    field(static_cast<std::uint32_t>(v.size()));
    out.append(reinterpret_cast<const char*>(v.data()), v.size() * sizeof(float));
  }
  // A number kept in the blob as `Stored`.
  template <typename Stored, typename T>
  void as(const T& v) {
    field(static_cast<Stored>(v));
  }
  void compactFloats(const std::vector<float>& v) {
    using namespace compact;
    std::vector<std::int64_t> whole;
    const std::optional<std::uint8_t> scale = scaleOf(v, whole);
    const auto nan = [&](std::size_t i) { return sameBits(v[i], kNaN); };
    auto form = scale ? kSteps8 : kRaw;
    std::int64_t last = 0;
    for (std::size_t i = 0; i < v.size() && form != kRaw; ++i) {
      if (nan(i)) continue;
      const std::int64_t k = whole[i];
      if (form == kSteps8 && (k - last < -127 || k - last > 127)) form = kWhole16;
      if (form == kWhole16 && (k < -32767 || k > 32767)) form = kWhole32;
      if (k < -2147483647 || k > 2147483647) form = kRaw;
      last = k;
    }
    field(static_cast<std::uint8_t>(form));
    if (form == kRaw) {
      field(v);
      return;
    }
    field(*scale);
    field(static_cast<std::uint32_t>(v.size()));
    last = 0;
    for (std::size_t i = 0; i < v.size(); ++i) {
      const std::int64_t k = whole[i];
      if (form == kSteps8) {
        field(nan(i) ? kNaN8 : static_cast<std::int8_t>(k - last));
        if (!nan(i)) last = k;
      } else if (form == kWhole16) {
        field(nan(i) ? kNaN16 : static_cast<std::int16_t>(k));
      } else {
        field(nan(i) ? kNaN32 : static_cast<std::int32_t>(k));
      }
    }
  }
  // An enumeration up to `last`, in one byte.
  template <typename E>
  void enumeration(const E& v, E /*last*/) {
    field(static_cast<std::uint8_t>(v));
  }
  // A temperature unit as its letter, 'F' or 'C'.
  void unit(const flight::Unit& u) { field(analysis::TemperatureLetter(u)[0]); }
  // The count, then each item; `each` is the least an item takes in the blob.
  template <typename T, typename Visit>
  void list(const std::vector<T>& v, std::size_t /*each*/, Visit&& visit) {
    field(static_cast<std::uint32_t>(v.size()));
    for (const T& item : v) visit(item);
  }
  void check(bool) {}
  std::string out;
};

// Reads what Writer wrote; every read checks the bounds, and a failed read
// or check leaves the reader failed.
class Reader {
 public:
  explicit Reader(std::string_view in) : in_(in) {}
  template <typename T>
  void field(T& v) requires std::is_arithmetic_v<T> {
    if (!take(sizeof v)) return;
    std::memcpy(&v, in_.data() + pos_ - sizeof v, sizeof v);
  }
  void field(std::string& s) {
    std::uint32_t n = 0;
    field(n);
    if (!take(n)) return;
    s.assign(in_.data() + pos_ - n, n);
  }
  void field(std::vector<float>& v) {
    std::uint32_t n = 0;
    field(n);
    if (ok_ && n > (in_.size() - pos_) / sizeof(float)) ok_ = false;
    if (!ok_) return;
    v.resize(n);
    take(n * sizeof(float));
    std::memcpy(v.data(), in_.data() + pos_ - n * sizeof(float), n * sizeof(float));
  }
  template <typename Stored, typename T>
  void as(T& v) {
    Stored stored{};
    field(stored);
    v = static_cast<T>(stored);
  }
  void compactFloats(std::vector<float>& v) {
    using namespace compact;
    std::uint8_t form = kRaw, scale = 0;
    field(form);
    if (form == kRaw) {
      field(v);
      return;
    }
    field(scale);
    std::uint32_t n = 0;
    field(n);
    check(form <= kWhole32 && scale < std::size(kScales));
    const std::size_t width = form == kSteps8 ? 1 : form == kWhole16 ? 2 : 4;
    check(n <= (in_.size() - pos_) / width);
    if (!ok_) return;
    v.resize(n);
    const char* p = in_.data() + pos_;
    pos_ += n * width;
    if (form == kSteps8) {
      std::int64_t last = 0;
      for (float& x : v) {
        const auto step = static_cast<std::int8_t>(*p++);
        if (step == kNaN8) {
          x = kNaN;
          continue;
        }
        last += step;
        x = valueOf(last, scale);
      }
    } else if (form == kWhole16) {
      for (float& x : v) {
        std::int16_t k;
        std::memcpy(&k, p, sizeof k);
        p += sizeof k;
        x = k == kNaN16 ? kNaN : valueOf(k, scale);
      }
    } else {
      for (float& x : v) {
        std::int32_t k;
        std::memcpy(&k, p, sizeof k);
        p += sizeof k;
        x = k == kNaN32 ? kNaN : valueOf(k, scale);
      }
    }
  }
  template <typename E>
  void enumeration(E& v, E last) {
    std::uint8_t stored = 0;
    field(stored);
    check(stored <= static_cast<std::uint8_t>(last));
    v = ok_ ? static_cast<E>(stored) : E{};
  }
  void unit(flight::Unit& u) {
    char letter = 'F';
    field(letter);
    u = letter == 'C' ? flight::Unit::DegreesC : flight::Unit::DegreesF;
  }
  template <typename T, typename Visit>
  void list(std::vector<T>& v, std::size_t each, Visit&& visit) {
    std::uint32_t n = 0;
    field(n);
    check(n <= (in_.size() - pos_) / each);  // a count the rest of the blob cannot hold
    v.resize(ok_ ? n : 0);
    for (T& item : v) {
      if (!ok_) break;
      visit(item);
    }
  }
  void check(bool good) { ok_ = ok_ && good; }
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

template <typename Codec, typename F>  // F: Figure or const Figure
void figureFields(Codec& c, F& f) {
  c.field(f.key);
  c.field(f.channel);
  c.field(f.value);
  c.field(f.at);
  c.template as<std::uint8_t>(f.cylinder);
  c.enumeration(f.engine, flight::Engine::Right);
}

// Every field of the blob but the file's own facts (path, size, times), in blob order.
template <typename Codec, typename E>  // E: CatalogEntry or const CatalogEntry
void entryFields(Codec& c, E& e) {
  c.field(e.problem);
  c.field(e.aircraft);
  c.field(e.airframe);
  c.field(e.systemId);
  c.field(e.flightLabel);
  c.template as<std::int64_t>(e.flightNumber);
  c.field(e.start);
  c.template as<std::int32_t>(e.interval);
  c.field(e.rows);
  c.field(e.recordedSeconds);
  c.unit(e.engineUnit);
  c.field(e.fuelUnit);
  c.field(e.valueHash);
  c.template as<std::uint8_t>(e.durationWritten);
  for (auto* f : {&e.hottestEgt, &e.hottestCht, &e.hottestTit, &e.difMax, &e.fastestCooling, &e.batteryMin})
    figureFields(c, *f);
  c.field(e.fuelUsed);
  c.list(e.hottest, 16, [&](auto& f) { figureFields(c, f); });
  c.list(e.maxCht, 16, [&](auto& f) { figureFields(c, f); });
  auto& d = e.digest;
  c.unit(d.engineUnit);
  c.field(d.startOfDay);
  c.field(d.recordedSeconds);
  c.list(d.envelopes, 25, [&](auto& env) {
    c.field(env.channel);
    c.enumeration(env.kind, flight::ChannelKind::Other);
    c.enumeration(env.engine, flight::Engine::Right);
    c.template as<std::uint8_t>(env.cylinder);
    c.template as<std::uint8_t>(env.derived);
    c.field(env.median);
    c.compactFloats(env.min);
    c.compactFloats(env.max);
    c.compactFloats(env.minAt);
    c.compactFloats(env.maxAt);
    c.check(env.max.size() == env.min.size() && env.minAt.size() == env.min.size() &&
            env.maxAt.size() == env.min.size());
  });
  c.template as<std::uint8_t>(d.cruiseSteady);
  c.field(d.cruiseStart);
  c.field(d.cruiseEnd);
  c.list(d.cruise, 16, [&](auto& x) {
    c.field(x.channel);
    c.template as<std::uint8_t>(x.cylinder);
    c.enumeration(x.engine, flight::Engine::Right);
    c.field(x.mean);
    c.field(x.deviation);
    c.field(x.peakAt);
  });
  c.list(d.cruiseMeans, 9, [&](auto& m) {
    c.field(m.channel);
    c.enumeration(m.kind, flight::ChannelKind::Other);
    c.field(m.mean);
  });
  c.field(d.cruisePower);
  c.field(d.cruiseOat);
  c.field(d.cruiseBattery);
  c.template as<std::uint8_t>(d.phasesKnown);
  c.list(d.ground, 16, [&](auto& g) {
    c.field(g.start);
    c.field(g.end);
  });
  c.list(d.climbs, 16, [&](auto& g) {
    c.field(g.start);
    c.field(g.end);
  });
  c.field(d.engineStartAt);
  c.field(d.warmupEnd);
  c.field(d.shutdownAt);
  c.list(d.sensorFaults, 21, [&](auto& f) {
    c.field(f.channel);
    c.field(f.start);
    c.field(f.end);
    c.enumeration(f.kind, analysis::SensorFaultKind::Divergent);
    c.enumeration(f.probe, flight::ChannelKind::Other);
    c.enumeration(f.engine, flight::Engine::Right);
    c.template as<std::uint8_t>(f.cylinder);
    c.field(f.reading);
    c.field(f.offset);
    c.field(f.readingAt);
  });
  c.template as<std::uint8_t>(d.valveJudged);
  c.field(d.valveWhy);
  c.list(d.valveSwings, 37, [&](auto& v) {
    c.field(v.channel);
    c.field(v.amplitude);
    c.field(v.period);
    c.field(v.start);
    c.field(v.end);
    c.template as<std::uint8_t>(v.regular);
  });
  c.list(d.cylinders, 22, [&](auto& x) {
    c.enumeration(x.engine, flight::Engine::Right);
    c.template as<std::uint8_t>(x.cylinder);
    c.field(x.egtDeviation);
    c.field(x.chtDeviation);
    c.field(x.earlyChtDeviation);
    c.field(x.egtSteps);
    c.field(x.chtSteps);
  });
  c.list(d.magChecks, 37, [&](auto& m) {
    c.enumeration(m.engine, flight::Engine::Right);
    c.field(m.start);
    c.field(m.end);
    c.field(m.verdict);
    c.field(m.dropRpm);
    c.field(m.levelRpm);
    c.list(m.atFault, 4, [&](auto& channel) { c.field(channel); });
    c.field(m.evidence);
  });
  c.field(e.lean.verdict);
  c.field(e.lean.spreadGph);
}

}  // namespace

std::string IsoStart(const flight::FlightFacts& f) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d", f.year < 100 ? 2000 + f.year : f.year, f.month,
                f.day, f.hours, f.minutes, f.seconds);
  return buf;
}

analysis::TrendPoint CatalogEntry::trendPoint() const {
  analysis::TrendPoint p;
  p.engineUnit = engineUnit;
  for (const analysis::Figure& f : maxCht) p.maxCht.emplace_back(f.channel, f.value);
  for (const analysis::CruiseEgt& e : digest.cruise) p.cruiseEgt.emplace_back(e.channel, e.mean);
  for (const analysis::CruiseMean& m : digest.cruiseMeans)
    if (m.kind == flight::ChannelKind::Cht) p.cruiseCht.emplace_back(m.channel, m.mean);
  p.date = start;
  p.cruisePower = digest.cruisePower;
  p.cruiseOat = digest.cruiseOat;
  p.cruiseBattery = digest.cruiseBattery;
  return p;
}

namespace {

CatalogEntry entryOf(const flight::FlightRead& read, std::uint64_t valueHash) {
  CatalogEntry e;
  if (!read.ok()) {
    e.problem = read.problem;
    return e;
  }
  const flight::Flight& f = read.value;
  analysis::FlightAnalysis a = analysis::AnalyseFlight(f);
  e.aircraft = f.facts.aircraft;
  e.airframe = f.facts.airframe;
  e.systemId = f.facts.systemId;
  e.flightLabel = f.facts.flightLabel;
  e.flightNumber = f.facts.flightNumber;
  e.start = IsoStart(f.facts);
  e.interval = f.facts.interval;
  e.rows = f.rows();
  e.recordedSeconds = a.summary.recordedSeconds;
  e.engineUnit = a.digest.engineUnit;
  e.fuelUnit = f.facts.fuelUnit;
  e.valueHash = valueHash;
  // A log has no duration line to wait for: only the expansion writes a file that grows.
  e.durationWritten = f.facts.durationHours >= 0 || f.facts.reader != "native";
  const analysis::Headline& h = a.headline;
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
  e.lean = std::move(a.lean);
  return e;
}

}  // namespace

CatalogEntry MakeCatalogEntry(std::string_view text) {
  const flight::FlightRead read = flight::OpenFlightText(text);
  return entryOf(read, read.ok() ? flight::HashFlightText(text) : 0);
}

CatalogEntry MakeCatalogEntry(flight::FlightRead&& read, std::uint64_t valueHash) { return entryOf(read, valueHash); }

std::optional<CatalogEntry> MakeCatalogEntryFromFile(const std::string& path) {
  std::uint64_t hash = 0;
  const flight::FlightRead read = flight::OpenFlight(path, {}, &hash);
  if (flight::Unreadable(read)) return std::nullopt;
  return entryOf(read, hash);
}

std::string EncodeEntry(const CatalogEntry& e) {
  Writer w;
  w.field(kBlobMark);
  entryFields(w, e);
  return std::move(w.out);
}

flight::Outcome<CatalogEntry> DecodeEntry(std::string_view blob) {
  flight::Outcome<CatalogEntry> decoded;
  Reader r(blob);
  std::uint32_t mark = 0;
  r.field(mark);
  if (mark != kBlobMark) return flight::Outcome<CatalogEntry>::failed("the entry is of another layout");
  entryFields(r, decoded.value);
  if (!r.ok() || !r.atEnd()) return flight::Outcome<CatalogEntry>::failed("the entry is damaged");
  return decoded;
}

}  // namespace varnix::store
