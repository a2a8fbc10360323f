// SPDX-License-Identifier: GPL-3.0-or-later
#include "frontend/download_meter.h"

#include <algorithm>
#include <cstdio>

namespace varnix::frontend::progress {

namespace {

// The rate is measured over this much of the recent past.
constexpr std::int64_t kRateWindowMs = 5000;

// Whole seconds, rounded up: "waiting 1 s" until the very end.
std::int64_t secondsUp(std::int64_t ms) { return ms <= 0 ? 0 : (ms + 999) / 1000; }

}  // namespace

void DownloadMeter::update(const DownloadProgress& p, std::int64_t nowMs) {
  if (!startMs_) startMs_ = nowMs;
  elapsedMs_ = nowMs - *startMs_;
  last_ = p;
  // The clock of the rate starts with the first byte, not with the wait.
  if (p.received == 0) return;
  samples_.emplace_back(nowMs, p.received);
  while (samples_.size() > 2 && nowMs - samples_[1].first >= kRateWindowMs) samples_.pop_front();
}

std::optional<int> DownloadMeter::percent() const {
  if (last_.expected == 0) return std::nullopt;
  const std::uint64_t got = std::min<std::uint64_t>(last_.received, last_.expected);
  return static_cast<int>(got * 100 / last_.expected);
}

std::optional<double> DownloadMeter::bytesPerSecond() const {
  if (samples_.size() < 2) return std::nullopt;
  const auto& [t0, b0] = samples_.front();
  const auto& [t1, b1] = samples_.back();
  if (t1 <= t0) return std::nullopt;
  return static_cast<double>(b1 - b0) * 1000.0 / static_cast<double>(t1 - t0);
}

std::optional<std::int64_t> DownloadMeter::msLeft() const {
  switch (last_.phase) {
    case DownloadPhase::WaitingForFirstByte:
    case DownloadPhase::Silence:
      return last_.msLeft;
    case DownloadPhase::Flights: {
      const auto rate = bytesPerSecond();
      if (last_.expected == 0 || !rate || *rate <= 0) return std::nullopt;
      const std::uint64_t rest = last_.expected > last_.received ? last_.expected - last_.received : 0;
      return static_cast<std::int64_t>(static_cast<double>(rest) * 1000.0 / *rate);
    }
    case DownloadPhase::Header:
      break;
  }
  return std::nullopt;
}

std::string DownloadMeter::phaseText() const {
  const std::string seconds = std::to_string(secondsUp(last_.msLeft)) + " s";
  switch (last_.phase) {
    case DownloadPhase::WaitingForFirstByte:
      return "Start the dump on the instrument now \u2014 waiting " + seconds;
    case DownloadPhase::Header:
      return "Receiving the header";
    case DownloadPhase::Flights:
      return "Receiving flights";
    case DownloadPhase::Silence:
      return "The instrument has stopped sending \u2014 finishing in " + seconds;
  }
  return {};
}

std::string DownloadMeter::bytesText() const {
  std::string text = groupedDigits(last_.received);
  if (last_.expected > 0) text += " of " + groupedDigits(last_.expected);
  return text + " bytes";
}

std::string DownloadMeter::statusLine() const {
  std::string line = phaseText();
  if (last_.phase == DownloadPhase::WaitingForFirstByte) return line;
  line += "  " + bytesText();
  if (const auto p = percent()) line += "  " + std::to_string(*p) + "%";
  if (const auto r = bytesPerSecond()) line += "  " + rateText(*r);
  if (last_.phase == DownloadPhase::Flights)
    if (const auto left = msLeft()) line += "  " + durationText(*left) + " left";
  return line;
}

std::string groupedDigits(std::uint64_t n) {
  const std::string digits = std::to_string(n);
  std::string text;
  text.reserve(digits.size() + digits.size() / 3);
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) text.push_back(',');
    text.push_back(digits[i]);
  }
  return text;
}

std::string durationText(std::int64_t ms) {
  const std::int64_t s = secondsUp(ms);
  char text[32];
  if (s < 60)
    std::snprintf(text, sizeof text, "%lld s", static_cast<long long>(s));
  else if (s < 3600)
    std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(s / 60), static_cast<long long>(s % 60));
  else
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", static_cast<long long>(s / 3600),
                  static_cast<long long>(s / 60 % 60), static_cast<long long>(s % 60));
  return text;
}

std::string rateText(double bytesPerSecond) {
  char text[32];
  if (bytesPerSecond < 10000)
    std::snprintf(text, sizeof text, "%.0f B/s", bytesPerSecond);
  else
    std::snprintf(text, sizeof text, "%.1f KB/s", bytesPerSecond / 1024.0);
  return text;
}

}  // namespace varnix::frontend::progress
