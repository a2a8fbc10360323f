// SPDX-License-Identifier: MIT
// What a folder's listing needs of a file, in one look at it where the
// system allows (a listing that finds nothing new is mostly these looks).
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

namespace varnix::platform {

struct FileFacts {
  std::int64_t size = 0;                  // 0 for what is not a regular file (a FIFO, a device)
  std::filesystem::file_time_type written;  // the clock and count of std::filesystem::last_write_time
};

// The facts of `path`, links followed; nothing for a folder, a dangling
// link or a file that is gone.
std::optional<FileFacts> fileFacts(const std::filesystem::path& path);

}  // namespace varnix::platform
