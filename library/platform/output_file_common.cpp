// SPDX-License-Identifier: MIT
#include <cerrno>
#include <cstring>

#include "platform/output_file.h"
#include "platform/platform.h"

namespace varnix::platform {

namespace {

constexpr std::string_view kPart = ".part";
constexpr std::size_t kNameMax = 255;  // bytes of a file name (NAME_MAX; on Windows 255 UTF-16 units)
constexpr std::size_t kUniqueLength = 6;

bool letterOrDigit(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

}  // namespace

std::string temporaryName(std::string_view targetName, std::string_view six) {
  const std::size_t tail = kPart.size() + six.size();
  if (targetName.size() + tail <= kNameMax) return std::string(targetName).append(kPart).append(six);
  // The extension stays (a short one), so the temporary says what it is for.
  const std::size_t dot = targetName.rfind('.');
  const std::string_view ext =
      dot != std::string_view::npos && dot > 0 && targetName.size() - dot <= 16 ? targetName.substr(dot) : std::string_view();
  std::size_t keep = kNameMax - tail - ext.size();
  // Cut at a whole character: never inside a UTF-8 sequence.
  while (keep > 0 && (static_cast<unsigned char>(targetName[keep]) & 0xC0) == 0x80) --keep;
  return std::string(targetName.substr(0, keep)).append(ext).append(kPart).append(six);
}

std::optional<std::string_view> temporaryTarget(std::string_view name) {
  const std::size_t tail = kPart.size() + kUniqueLength;
  if (name.size() <= tail || name.substr(name.size() - tail, kPart.size()) != kPart) return std::nullopt;
  for (const char c : name.substr(name.size() - kUniqueLength))
    if (!letterOrDigit(c)) return std::nullopt;
  return name.substr(0, name.size() - tail);
}

std::string failureReason(int error) {
  if (error == ENOSPC) return "the disk is full";
#ifdef EDQUOT
  if (error == EDQUOT) return "the disk quota is used up";
#endif
  if (error == 0) return "the file could not be written";
  return std::strerror(error);
}

std::string failureText(const std::string& path, int error) { return path + ": " + failureReason(error); }

bool writeAll(std::FILE* file, const void* data, std::size_t size) {
  if (size == 0) return true;
  errno = 0;
  if (std::fwrite(data, 1, size, file) == size) return true;
  if (errno == 0) errno = EIO;
  return false;
}

bool closeChecked(std::FILE* file) {
  if (!file) return true;
  errno = 0;
  const bool flushed = std::fflush(file) == 0;
  const int flushError = errno;
  const bool closed = std::fclose(file) == 0;
  if (!flushed) errno = flushError ? flushError : EIO;
  else if (!closed && errno == 0) errno = EIO;
  return flushed && closed;
}

bool copyWhole(const std::string& from, const std::string& to, ReplacingFile::Mode mode, int* error) {
  std::FILE* in = openFile(from, "rb");
  if (!in) {
    if (error) *error = errno;
    return false;
  }
  ReplacingFile out(to, mode);
  bool ok = out.file() != nullptr;
  int failure = out.error();
  char buffer[65536];
  while (ok) {
    const std::size_t n = std::fread(buffer, 1, sizeof buffer, in);
    if (n > 0 && !writeAll(out.file(), buffer, n)) {
      ok = false;
      failure = errno;
    }
    if (n < sizeof buffer) break;
  }
  if (ok && std::ferror(in)) {
    ok = false;
    failure = EIO;
  }
  std::fclose(in);
  if (ok && !out.commit()) {
    ok = false;
    failure = out.error();
  }
  if (!ok && error) *error = failure;
  return ok;
}

}  // namespace varnix::platform
