// SPDX-License-Identifier: GPL-3.0-or-later
#include "fuzz_sandbox.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

namespace varnix::fuzz {

namespace fs = std::filesystem;

Sandbox& Sandbox::instance() {
  static Sandbox sandbox;
  return sandbox;
}

Sandbox::Sandbox() {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/varnix-fuzz-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (!::mkdtemp(buffer.data())) fail("cannot make a temporary folder");
  root_ = buffer.data();
  work_ = root_ / "a" / "b" / "work";
  fs::create_directories(work_);
}

Sandbox::~Sandbox() {
  std::error_code ignored;
  fs::remove_all(root_, ignored);
}

void Sandbox::reset() {
  std::error_code error;
  fs::remove_all(work_, error);
  fs::create_directories(work_, error);
  if (error) fail("cannot empty the work folder: " + error.message());
}

std::string Sandbox::put(std::string_view name, const std::uint8_t* data, std::size_t size) {
  const fs::path path = work_ / name;
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  if (!out.flush()) fail("cannot write " + path.string());
  return path.string();
}

std::string Sandbox::firstEscape() const {
  const std::string workPrefix = work_.string() + "/";
  for (auto it = fs::recursive_directory_iterator(root_); it != fs::recursive_directory_iterator(); ++it) {
    const fs::path& p = it->path();
    if (it->is_symlink()) return p.string() + " (a symbolic link)";
    if (p == root_ / "a" || p == root_ / "a" / "b" || p == work_) continue;
    if (p.string().rfind(workPrefix, 0) != 0) return p.string();
  }
  return {};
}

std::string fileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void fail(const std::string& what) {
  std::fprintf(stderr, "fuzz harness: %s\n", what.c_str());
  std::abort();
}

}  // namespace varnix::fuzz
