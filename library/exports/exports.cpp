// SPDX-License-Identifier: MIT
// The library's C exports: the four of the format and their extensions.
// Each one wraps its core function so that no exception ever leaves the
// library, and copies results into the caller's fixed-size buffers.
#include <algorithm>
#include <cstring>
#include <exception>
#include <string>

#include "core/download.h"
#include "core/palm.h"
#include "core/expand.h"
#include "core/naming.h"
#include "core/user_id.h"
#include "platform/wide_text.h"
#include "varnix/varnix.h"

static_assert(varnix::kDownloadCannotWrite == VARNIX_DOWNLOAD_CANNOT_WRITE &&
              varnix::kDownloadNamesTaken == VARNIX_DOWNLOAD_NAMES_TAKEN &&
              varnix::kDownloadCopyFailed == VARNIX_DOWNLOAD_COPY_FAILED &&
              varnix::kDownloadNeverSilent == VARNIX_DOWNLOAD_NEVER_SILENT &&
              varnix::kDownloadPathTooLong == VARNIX_DOWNLOAD_PATH_TOO_LONG);
static_assert(static_cast<int>(varnix::DownloadPhase::WaitingForFirstByte) == VARNIX_PHASE_WAITING &&
              static_cast<int>(varnix::DownloadPhase::Header) == VARNIX_PHASE_HEADER &&
              static_cast<int>(varnix::DownloadPhase::Flights) == VARNIX_PHASE_FLIGHTS &&
              static_cast<int>(varnix::DownloadPhase::Silence) == VARNIX_PHASE_SILENCE);
static_assert(varnix::kExpandRecoverBit == VARNIX_EXPAND_RECOVER && varnix::kExpandPreviewBit == VARNIX_EXPAND_PREVIEW);
static_assert(varnix::kMaxFlights == VARNIX_MAX_FLIGHTS);

namespace {

// The header state that the four functions share, as the library has always
// kept it: one per process, filled by whichever call parsed a dump last.
// Calls must not overlap (varnix.h).
varnix::HeaderState& sharedHeaderState() {
  static varnix::HeaderState state{};
  return state;
}

template <typename Body>
int guarded(Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    return VARNIX_INTERNAL_ERROR;
  }
}

// The callers' paths are in the ANSI code page on Windows, as a 32-bit
// program passes them (varnix.h); inside the library every path is UTF-8.
std::string fromCaller(const char* text) {
#ifdef _WIN32
  return varnix::platform::utf8FromAnsi(text);
#else
  return text;
#endif
}
std::string toCaller(const std::string& path) {
#ifdef _WIN32
  return varnix::platform::ansiPathFromUtf8(path);
#else
  return path;
#endif
}

// Copies `text` into a caller's buffer of `size` bytes, always NUL-terminated.
void copyOut(char* buffer, std::size_t size, const std::string& text) {
  if (!buffer || size == 0) return;
  const std::size_t n = text.size() < size - 1 ? text.size() : size - 1;
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
}

// What to pass back of a stored dump's path that does not fit the buffer:
// the part below the data folder ("N123AB/R031006.DAT"), or the file name
// when it lies elsewhere.
std::string shortName(const std::string& path, std::string_view folderArgument) {
  const std::string dataFolder = varnix::DataFolderOf(folderArgument);
  if (!dataFolder.empty() && path.size() > dataFolder.size() + 1 && path.compare(0, dataFolder.size(), dataFolder) == 0 &&
      varnix::platform::isPathSeparator(path[dataFolder.size()]))
    return path.substr(dataFolder.size() + 1);
  const std::size_t sep = varnix::platform::lastSeparator(path);
  return sep == std::string::npos ? path : path.substr(sep + 1);
}

int download(char* path, char* folder, int pathSize, VarnixProgress callback, void* context) {
  const std::size_t size = path && pathSize > 0 ? static_cast<std::size_t>(pathSize) : 0;
  // The settings come first, so that a missing "VARNIX.CFG" leaves no
  // empty working file behind.
  const auto settings = varnix::ReadPortSettings();
  if (!settings) {
    copyOut(path, size, {});
    return varnix::kDownloadNoSettings;
  }
  varnix::DownloadOptions options;
  if (callback) {
    options.progress = [callback, context](const varnix::DownloadProgress& p) {
      return callback(context, static_cast<int>(p.phase), static_cast<long long>(p.received),
                      static_cast<long long>(p.expected), p.msLeft) != 0;
    };
  }
  const std::string folderArgument = folder ? fromCaller(folder) : "";
  const auto port = varnix::platform::makeSerialPort();
  const auto result =
      varnix::DownloadDump(*port, *settings, varnix::ReadDumpTimeouts(), folderArgument, sharedHeaderState(), options);
  // A path is never cut: one that does not fit says so with its own code.
  const std::string stored = toCaller(result.path);
  if (stored.size() < size || stored.empty()) {
    copyOut(path, size, stored);
    return result.code;
  }
  const std::string name = toCaller(shortName(result.path, folderArgument));
  copyOut(path, size, name.size() < size ? name : std::string());
  return varnix::kDownloadPathTooLong;
}

// ExpandDataFileEx; with VARNIX_EXPAND_PREVIEW only decoded, and what the
// expansion would write copied into `preview` (may be null).
int expand(char* path, char* folder, int options, VarnixExpandPreview* preview) {
  if (!path) return varnix::kExpandNoDot;
  varnix::ExpandOptions expandOptions;
  expandOptions.recover = (options & varnix::kExpandRecoverBit) != 0;
  const std::string dump = fromCaller(path);
  const std::string folderArgument = folder ? fromCaller(folder) : std::string();
  if ((options & varnix::kExpandPreviewBit) == 0)
    return varnix::ExpandDataFile(dump, folderArgument, sharedHeaderState(), expandOptions);
  varnix::ExpandPreview found;
  const int code = varnix::PreviewDataFile(dump, folderArgument, sharedHeaderState(), expandOptions, found);
  if (preview) {
    preview->recoverable = static_cast<int>(found.recoverable);
    const std::size_t n = std::min<std::size_t>(found.alreadyThere.size(), VARNIX_MAX_FLIGHTS);
    std::copy_n(found.alreadyThere.begin(), n, preview->alreadyThere);
    preview->alreadyThereCount = static_cast<int>(n);
  }
  return code;
}

}  // namespace

extern "C" {

VARNIX_API int VARNIX_CALL DataDownload(char* path, char* folder) {
  return guarded([&] { return download(path, folder, VARNIX_PATH_BUFFER, nullptr, nullptr); });
}

VARNIX_API int VARNIX_CALL DataDownloadProgress(char* path, char* folder, int pathSize, VarnixProgress callback,
                                                void* context) {
  return guarded([&] { return download(path, folder, pathSize, callback, context); });
}

VARNIX_API int VARNIX_CALL ExpandDataFileEx(char* path, char* folder, int options) {
  return guarded([&] { return expand(path, folder, options, nullptr); });
}

VARNIX_API int VARNIX_CALL ExpandDataFilePreview(char* path, char* folder, int options,
                                                 VarnixExpandPreview* preview) {
  if (preview) *preview = VarnixExpandPreview{};
  return guarded([&] { return expand(path, folder, options | VARNIX_EXPAND_PREVIEW, preview); });
}

VARNIX_API int VARNIX_CALL ExpandDataFile(char* path, char* folder) { return ExpandDataFileEx(path, folder, 0); }

VARNIX_API int VARNIX_CALL ProcessPalmFile(char* path) {
  return guarded([&] {
    if (!path) return static_cast<int>(varnix::kPalmCannotOpen);
    std::string text = fromCaller(path);
    const int code = varnix::ProcessPalmFile(text);
    // The .DAT path is never longer than the backup's path, so it fits
    // wherever the caller's text did.
    if (code == varnix::kPalmDone) copyOut(path, std::strlen(path) + 1, toCaller(text));
    return code;
  });
}

VARNIX_API int VARNIX_CALL GetUserID(char* path, char* userId) {
  return guarded([&] {
    std::string id;
    const int code = path ? varnix::ReadUserId(fromCaller(path), id, sharedHeaderState())
                          : (id = varnix::kBadDataFolder, static_cast<int>(varnix::kUserIdCannotOpen));
    copyOut(userId, VARNIX_ID_BUFFER, id);
    return code;
  });
}

}  // extern "C"
