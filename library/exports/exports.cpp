// SPDX-License-Identifier: MIT
// The library's four C exports. Each one wraps its core function so that no
// exception ever leaves the library, and copies results into the caller's
// fixed-size buffers.
#include <cstring>
#include <exception>
#include <string>

#include "core/download.h"
#include "core/palm.h"
#include "core/expand.h"
#include "core/user_id.h"
#include "varnix/varnix.h"

static_assert(varnix::kExpandRecoverBit == VARNIX_EXPAND_RECOVER);

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

// Copies `text` into a caller's buffer of `size` bytes, always NUL-terminated.
void copyOut(char* buffer, std::size_t size, const std::string& text) {
  if (!buffer || size == 0) return;
  const std::size_t n = text.size() < size - 1 ? text.size() : size - 1;
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
}

}  // namespace

extern "C" {

VARNIX_API int VARNIX_CALL DataDownload(char* path, char* folder) {
  return guarded([&] {
    // The settings come first, so that a missing "VARNIX.CFG" leaves no
    // empty working file behind.
    const auto settings = varnix::ReadPortSettings();
    if (!settings) {
      copyOut(path, VARNIX_PATH_BUFFER, {});
      return static_cast<int>(varnix::kDownloadNoSettings);
    }
    const auto port = varnix::platform::makeSerialPort();
    const auto result = varnix::DownloadDump(*port, *settings, varnix::ReadDumpTimeouts(), folder ? folder : "",
                                           sharedHeaderState());
    copyOut(path, VARNIX_PATH_BUFFER, result.path);
    return result.code;
  });
}

VARNIX_API int VARNIX_CALL ExpandDataFileEx(char* path, char* folder, int options) {
  return guarded([&] {
    if (!path) return static_cast<int>(varnix::kExpandNoDot);
    varnix::ExpandOptions expandOptions;
    expandOptions.recover = (options & varnix::kExpandRecoverBit) != 0;
    return varnix::ExpandDataFile(path, folder ? std::string_view(folder) : std::string_view(),
                                  sharedHeaderState(), expandOptions);
  });
}

VARNIX_API int VARNIX_CALL ExpandDataFile(char* path, char* folder) { return ExpandDataFileEx(path, folder, 0); }

VARNIX_API int VARNIX_CALL ProcessPalmFile(char* path) {
  return guarded([&] {
    if (!path) return static_cast<int>(varnix::kPalmCannotOpen);
    std::string text(path);
    const int code = varnix::ProcessPalmFile(text);
    // The .DAT path is never longer than the backup's path, so it fits
    // wherever the caller's text did.
    if (code == varnix::kPalmDone) copyOut(path, std::strlen(path) + 1, text);
    return code;
  });
}

VARNIX_API int VARNIX_CALL GetUserID(char* path, char* userId) {
  return guarded([&] {
    std::string id;
    const int code = path ? varnix::ReadUserId(path, id, sharedHeaderState()) : (id = "BadData", 1);
    copyOut(userId, VARNIX_ID_BUFFER, id);
    return code;
  });
}

}  // extern "C"
