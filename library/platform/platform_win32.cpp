// SPDX-License-Identifier: MIT
#include <windows.h>
#include <io.h>

#include <cstdlib>

#include "platform/platform.h"

namespace varnix::platform {

std::string programFolder() {
  // A longer buffer than the 100 characters of old: a program installed
  // deeper than that must still find its settings files.
  char buffer[MAX_PATH * 4];
  const DWORD n = ::GetModuleFileNameA(nullptr, buffer, sizeof buffer);
  if (n == 0 || n >= sizeof buffer) return ".";
  std::string path(buffer, n);
  const std::size_t cut = path.find_last_of('\\');
  if (cut == std::string::npos) return ".";
  return path.substr(0, cut);
}

namespace {
// Whether a file can be made in `folder`: the only sure test on Windows,
// where the attributes do not tell (Program Files is writable for
// administrators, and virtualised for the others).
bool canCreateIn(const std::string& folder) {
  char name[MAX_PATH];
  if (::GetTempFileNameA(folder.c_str(), "vx", 0, name) == 0) return false;
  ::DeleteFileA(name);
  return true;
}
}  // namespace

// Windows programs keep their settings beside them; an installed program
// whose folder the user cannot write to (Program Files) keeps them in
// %APPDATA%\Varnix instead, created when missing.
std::string settingsFolderFor(const std::string& programFolder) {
  if (canCreateIn(programFolder)) return programFolder;
  const char* appData = std::getenv("APPDATA");
  if (!appData || !appData[0]) return programFolder;
  const std::string folder = std::string(appData) + "\\Varnix";
  ::CreateDirectoryA(folder.c_str(), nullptr);
  return folderExists(folder) ? folder : programFolder;
}

LocalDate localDate() {
  SYSTEMTIME st;
  ::GetLocalTime(&st);
  return {st.wYear, st.wMonth, st.wDay};
}

bool makeFolder(const std::string& path) { return ::CreateDirectoryA(path.c_str(), nullptr) != 0; }

bool createExclusive(const std::string& path) {
  HANDLE h = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  ::CloseHandle(h);
  return true;
}

std::FILE* createOrTruncate(const std::string& path) { return std::fopen(path.c_str(), "wb"); }

std::FILE* openRegularFile(const std::string& path, bool* notRegular) {
  if (notRegular) *notRegular = false;
  const DWORD a = ::GetFileAttributesA(path.c_str());
  if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY)) {
    if (notRegular) *notRegular = true;
    return nullptr;
  }
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return nullptr;
  // Devices (NUL, CON, COM1) and pipes open as files: only a disk file is one.
  if (::GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(f)))) != FILE_TYPE_DISK) {
    std::fclose(f);
    if (notRegular) *notRegular = true;
    return nullptr;
  }
  return f;
}

bool fileExists(const std::string& path) {
  const DWORD a = ::GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool folderExists(const std::string& path) {
  const DWORD a = ::GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

void* allocateLarge(std::size_t bytes) {
  return ::VirtualAlloc(nullptr, bytes ? bytes : 1, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

void releaseLarge(void* block, std::size_t) {
  if (block) ::VirtualFree(block, 0, MEM_RELEASE);
}

}  // namespace varnix::platform
