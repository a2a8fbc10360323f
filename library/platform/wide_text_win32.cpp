// SPDX-License-Identifier: MIT
#include <windows.h>

#include "platform/wide_text.h"

#include "platform/utf8.h"

namespace varnix::platform {

namespace {

int size(std::size_t n) { return n > 0x7fffffff ? 0x7fffffff : static_cast<int>(n); }

std::wstring wideFrom(UINT codePage, DWORD flags, std::string_view text) {
  if (text.empty()) return {};
  const int n = ::MultiByteToWideChar(codePage, flags, text.data(), size(text.size()), nullptr, 0);
  if (n <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  ::MultiByteToWideChar(codePage, flags, text.data(), size(text.size()), wide.data(), n);
  return wide;
}

std::string narrowFrom(UINT codePage, std::wstring_view wide, BOOL* usedDefault) {
  if (wide.empty()) return {};
  const int n = ::WideCharToMultiByte(codePage, 0, wide.data(), size(wide.size()), nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string text(static_cast<std::size_t>(n), '\0');
  ::WideCharToMultiByte(codePage, 0, wide.data(), size(wide.size()), text.data(), n, nullptr, usedDefault);
  return text;
}


}  // namespace

std::wstring wideFromUtf8(std::string_view utf8) {
  std::wstring wide = wideFrom(CP_UTF8, MB_ERR_INVALID_CHARS, utf8);
  if (!wide.empty() || utf8.empty()) return wide;
  // Not well-formed: the valid runs as UTF-8, every stray byte as Latin-1.
  for (std::size_t i = 0, run = 0; i <= utf8.size();) {
    const std::size_t length = i < utf8.size() ? utf8SequenceLength(utf8, i) : 0;
    if (length > 0) {
      i += length;
      continue;
    }
    wide += wideFrom(CP_UTF8, 0, utf8.substr(run, i - run));
    if (i == utf8.size()) break;
    wide += static_cast<wchar_t>(static_cast<unsigned char>(utf8[i]));
    run = ++i;
  }
  return wide;
}

std::string utf8FromWide(std::wstring_view wide) { return narrowFrom(CP_UTF8, wide, nullptr); }

std::string utf8FromAnsi(std::string_view ansi) { return utf8FromWide(wideFrom(CP_ACP, 0, ansi)); }

std::string ansiFromUtf8(std::string_view utf8, bool* lossless) {
  BOOL usedDefault = FALSE;
  std::string ansi = narrowFrom(CP_ACP, wideFromUtf8(utf8), &usedDefault);
  if (lossless) *lossless = !usedDefault;
  return ansi;
}

std::string ansiPathFromUtf8(std::string_view utf8) {
  bool lossless = true;
  std::string ansi = ansiFromUtf8(utf8, &lossless);
  if (lossless) return ansi;
  const std::wstring wide = wideFromUtf8(utf8);
  const DWORD n = ::GetShortPathNameW(wide.c_str(), nullptr, 0);
  if (n == 0) return ansi;
  std::wstring shortPath(n, L'\0');
  const DWORD written = ::GetShortPathNameW(wide.c_str(), shortPath.data(), n);
  if (written == 0 || written >= n) return ansi;
  shortPath.resize(written);
  std::string shortAnsi = ansiFromUtf8(utf8FromWide(shortPath), &lossless);
  return lossless ? shortAnsi : ansi;
}

}  // namespace varnix::platform
