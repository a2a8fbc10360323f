// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/library_text.h"

#include <QDir>
#include <filesystem>

#include "platform/platform.h"

namespace varnix::render {

namespace {

constexpr char16_t kEscape = 0xDC00;  // U+DC80..U+DCFF: the bytes 0x80..0xFF

bool continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// The length of the valid UTF-8 sequence at `at`; 0 when there is none.
std::size_t sequenceLength(const std::string& s, std::size_t at) {
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

}  // namespace

std::string toLibraryText(const QString& text) {
  std::string out;
  qsizetype start = 0;
  for (qsizetype i = 0; i <= text.size(); ++i) {
    const bool escaped = i < text.size() && text[i].unicode() >= kEscape + 0x80 && text[i].unicode() <= kEscape + 0xFF &&
                         (i == 0 || !text[i - 1].isHighSurrogate());
    if (i < text.size() && !escaped) continue;
    out += text.mid(start, i - start).toUtf8().toStdString();
    if (escaped) out += static_cast<char>(text[i].unicode() - kEscape);
    start = i + 1;
  }
  return out;
}

QString fromLibraryText(const std::string& text) {
  QString out;
  std::size_t run = 0;  // the start of the valid bytes not yet decoded
  for (std::size_t i = 0; i <= text.size();) {
    const std::size_t length = i < text.size() ? sequenceLength(text, i) : 0;
    if (length > 0) {
      i += length;
      continue;
    }
    out += QString::fromUtf8(text.data() + run, qsizetype(i - run));
    if (i == text.size()) break;
    out += QChar(char16_t(kEscape + static_cast<unsigned char>(text[i])));
    run = ++i;
  }
  return out;
}

QString shownName(const QString& text) {
  QString shown = text;
  for (qsizetype i = 0; i < shown.size(); ++i)
    if (shown[i].isLowSurrogate() && (i == 0 || !shown[i - 1].isHighSurrogate())) shown[i] = QChar::ReplacementCharacter;
  return shown;
}

QStringList fileNamesIn(const QString& folder) {
#ifdef _WIN32
  return QDir(folder).entryList(QDir::Files | QDir::Hidden);
#else
  QStringList names;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(toLibraryText(folder), ec))
    if (entry.is_regular_file(ec)) names.append(fromLibraryText(entry.path().filename().string()));
  return names;
#endif
}

std::FILE* openByBytes(const QString& path, const char* mode) { return platform::openFile(toLibraryText(path), mode); }

}  // namespace varnix::render
