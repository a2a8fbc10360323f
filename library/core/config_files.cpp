// SPDX-License-Identifier: MIT
#include "core/config_files.h"

#include <cstdio>
#include <string_view>
#include <vector>

#include "core/header_lines.h"
#include "platform/platform.h"

namespace varnix {

namespace {

// Settings files are tiny; anything past this is not read.
constexpr std::size_t kMaxSettingsBytes = 4096;
// Port names are short ("COM1", "/dev/ttyUSB0"); a longer word is not one.
constexpr std::size_t kMaxPortNameChars = 255;
// Seconds that still fit in 32-bit milliseconds.
constexpr std::int32_t kMaxTimeoutSeconds = 2147483;

std::optional<std::string> readSettingsText(const std::string& folder, const char* name) {
  std::FILE* f = platform::openFile(folder + platform::kPathSeparator + name, "rb");
  if (!f) return std::nullopt;
  std::string text(kMaxSettingsBytes, '\0');
  text.resize(std::fread(text.data(), 1, text.size(), f));
  std::fclose(f);
  return text;
}

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

// The whitespace-delimited words of a settings file, in order.
std::vector<std::string_view> words(std::string_view text) {
  std::vector<std::string_view> out;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && isSpace(text[i])) ++i;
    const std::size_t start = i;
    while (i < text.size() && !isSpace(text[i])) ++i;
    if (i > start) out.push_back(text.substr(start, i - start));
  }
  return out;
}

bool isDecimal(std::string_view word) {
  std::size_t i = (!word.empty() && (word[0] == '+' || word[0] == '-')) ? 1 : 0;
  if (i >= word.size()) return false;
  for (; i < word.size(); ++i) {
    if (word[i] < '0' || word[i] > '9') return false;
  }
  return true;
}

}  // namespace

std::optional<PortSettings> ReadPortSettings(const std::string& folder) {
  const auto text = readSettingsText(folder, kPortSettingsFile);
  if (!text) return std::nullopt;
  return ParsePortSettings(*text);
}

std::optional<PortSettings> ParsePortSettings(std::string_view text) {
  const auto w = words(text.substr(0, kMaxSettingsBytes));
  if (w.size() < 2 || w[0].size() > kMaxPortNameChars || !isDecimal(w[1])) return std::nullopt;
  PortSettings settings{std::string(w[0]), FieldNumber(w[1])};
  if (settings.baudRate <= 0) return std::nullopt;
  return settings;
}

std::optional<PortSettings> ReadPortSettings() { return ReadPortSettings(platform::settingsFolder()); }

DumpTimeouts ReadDumpTimeouts(const std::string& folder) {
  DumpTimeouts timeouts;
  const auto text = readSettingsText(folder, kTimeoutsFile);
  if (!text) return timeouts;
  const auto w = words(*text);
  auto take = [](std::string_view word, std::int32_t& out) {
    if (!isDecimal(word)) return;
    const std::int32_t seconds = FieldNumber(word);
    if (seconds > 0 && seconds <= kMaxTimeoutSeconds) out = seconds * 1000;
  };
  if (w.size() >= 1) take(w[0], timeouts.firstByteTimeout);
  if (w.size() >= 2) take(w[1], timeouts.endOfDumpTimeout);
  return timeouts;
}

DumpTimeouts ReadDumpTimeouts() { return ReadDumpTimeouts(platform::settingsFolder()); }

}  // namespace varnix
