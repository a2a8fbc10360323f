// SPDX-License-Identifier: GPL-3.0-or-later
// A scratch folder tree for the harnesses that write files. The work folder
// lies three levels below a fresh temporary root (root/a/b/work), so that a
// file that escapes it through up to three ".." levels, the most a 9-character
// user id can climb, still lands inside the tree and is seen.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace varnix::fuzz {

class Sandbox {
 public:
  // The one sandbox of this process, removed at exit.
  static Sandbox& instance();

  const std::filesystem::path& work() const { return work_; }

  // Empties the work folder.
  void reset();

  // Writes `bytes` to `name` in the work folder; the file's path.
  std::string put(std::string_view name, const std::uint8_t* data, std::size_t size);

  // The first path in the tree outside the work folder (other than the
  // folders leading to it), or a symbolic link anywhere; empty when none.
  std::string firstEscape() const;

  ~Sandbox();

 private:
  Sandbox();
  std::filesystem::path root_;
  std::filesystem::path work_;
};

// The bytes of a file; empty when it cannot be read.
std::string fileBytes(const std::filesystem::path& path);

// Reports a broken promise and aborts, so that libFuzzer keeps the input.
[[noreturn]] void fail(const std::string& what);

}  // namespace varnix::fuzz
