// SPDX-License-Identifier: MIT
#include "platform/utf8.h"

namespace varnix::platform {

namespace {

bool continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

}  // namespace

std::size_t utf8SequenceLength(std::string_view s, std::size_t at) {
  const auto b = [&](std::size_t i) { return at + i < s.size() ? static_cast<unsigned char>(s[at + i]) : 0; };
  const unsigned char c = b(0);
  if (c < 0x80) return 1;
  if (c >= 0xC2 && c <= 0xDF) return continuation(b(1)) ? 2 : 0;
  if (c >= 0xE0 && c <= 0xEF) {
    const unsigned char low = c == 0xE0 ? 0xA0 : 0x80, high = c == 0xED ? 0x9F : 0xBF;
    return b(1) >= low && b(1) <= high && continuation(b(2)) ? 3 : 0;
  }
  if (c >= 0xF0 && c <= 0xF4) {
    const unsigned char low = c == 0xF0 ? 0x90 : 0x80, high = c == 0xF4 ? 0x8F : 0xBF;
    return b(1) >= low && b(1) <= high && continuation(b(2)) && continuation(b(3)) ? 4 : 0;
  }
  return 0;
}

std::string utf8OrLatin1(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size();) {
    if (const std::size_t n = utf8SequenceLength(bytes, i)) {
      out.append(bytes.substr(i, n));
      i += n;
    } else {
      const auto c = static_cast<unsigned char>(bytes[i++]);
      out += static_cast<char>(0xC0 | c >> 6);
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

}  // namespace varnix::platform
