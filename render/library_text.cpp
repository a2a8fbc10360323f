// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/library_text.h"

#include <QDir>
#include <filesystem>

#include "platform/platform.h"
#include "platform/utf8.h"

namespace varnix::render {

namespace {

constexpr char16_t kEscape = 0xDC00;  // U+DC80..U+DCFF: the bytes 0x80..0xFF

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
    const std::size_t length = i < text.size() ? platform::utf8SequenceLength(text, i) : 0;
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
