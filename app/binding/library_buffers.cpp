// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/binding/library_buffers.h"

#ifdef _WIN32
#include <QString>
#endif

#include "platform/platform.h"

namespace varnix::app {

std::string libraryPath(std::string_view utf8) {
#ifdef _WIN32
  // The exports' contract: a name without an ANSI form cannot reach them.
  return QString::fromUtf8(utf8.data(), qsizetype(utf8.size())).toLocal8Bit().toStdString();
#else
  return std::string(utf8);
#endif
}

std::string programPath(std::string_view libraryBytes) {
#ifdef _WIN32
  return QString::fromLocal8Bit(libraryBytes.data(), qsizetype(libraryBytes.size())).toStdString();
#else
  return std::string(libraryBytes);
#endif
}

std::string fixedBuffer(std::string_view text, std::size_t length, char pad) {
  std::string buffer(text);
  if (buffer.size() < length) buffer.append(length - buffer.size(), pad);
  return buffer;
}

std::string folderBuffer(std::string_view dataFolder) {
  std::string text = libraryPath(dataFolder);
  text += platform::kPathSeparator;
  return fixedBuffer(text, kPathBufferLength, ' ');
}

std::string pathBuffer(std::string_view path) { return fixedBuffer(libraryPath(path), kPathBufferLength, '\0'); }

std::string idBuffer() { return std::string(kIdBufferLength, '\0'); }

std::string textBeforeNul(const std::string& buffer) {
  const std::size_t nul = buffer.find('\0');
  return nul == std::string::npos ? buffer : buffer.substr(0, nul);
}

std::string userIdFrom(const std::string& idBuf) {
  const std::string text = textBeforeNul(idBuf);
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  const std::size_t last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

}  // namespace varnix::app
