// SPDX-License-Identifier: MIT
#include <windows.h>
#include <io.h>

#include <cstdlib>

#include "platform/cache_folder.h"
#include "platform/file_facts.h"
#include "platform/platform.h"
#include "platform/wide_text.h"

namespace varnix::platform {

std::string programFolder() {
  // A longer buffer than the 100 characters of old: a program installed
  // deeper than that must still find its settings files.
  wchar_t buffer[MAX_PATH * 4];
  const DWORD n = ::GetModuleFileNameW(nullptr, buffer, MAX_PATH * 4);
  if (n == 0 || n >= MAX_PATH * 4) return ".";
  const std::string path = utf8FromWide(std::wstring_view(buffer, n));
  const std::size_t cut = path.find_last_of('\\');
  if (cut == std::string::npos) return ".";
  return path.substr(0, cut);
}

namespace {
// Whether a file can be made in `folder`: the only sure test on Windows,
// where the attributes do not tell (Program Files is writable for
// administrators, and virtualised for the others).
bool canCreateIn(const std::string& folder) {
  wchar_t name[MAX_PATH];
  if (::GetTempFileNameW(wideFromUtf8(folder).c_str(), L"vx", 0, name) == 0) return false;
  ::DeleteFileW(name);
  return true;
}
}  // namespace

// Windows programs keep their settings beside them; an installed program
// whose folder the user cannot write to (Program Files) keeps them in
// %APPDATA%\Varnix instead, created when missing.
std::string settingsFolderFor(const std::string& programFolder) {
  if (canCreateIn(programFolder)) return programFolder;
  const std::string appData = environment("APPDATA");
  if (appData.empty()) return programFolder;
  const std::string folder = appData + "\\Varnix";
  makeFolder(folder);
  return folderExists(folder) ? folder : programFolder;
}

std::string cacheFolder() {
  const std::string base = environment("LOCALAPPDATA");
  return base.empty() ? std::string() : base + "\\varnix";
}

std::optional<FileFacts> fileFacts(const std::filesystem::path& path) {
  std::error_code ec;
  const std::filesystem::file_status st = std::filesystem::status(path, ec);
  if (ec || !std::filesystem::exists(st) || std::filesystem::is_directory(st)) return std::nullopt;
  FileFacts facts;
  facts.size =
      std::filesystem::is_regular_file(st) ? static_cast<std::int64_t>(std::filesystem::file_size(path, ec)) : 0;
  facts.written = std::filesystem::last_write_time(path, ec);
  if (ec) return std::nullopt;
  return facts;
}

LocalDate localDate() {
  SYSTEMTIME st;
  ::GetLocalTime(&st);
  return {st.wYear, st.wMonth, st.wDay};
}

std::string environment(const char* name) {
  const wchar_t* value = ::_wgetenv(wideFromUtf8(name).c_str());
  return value ? utf8FromWide(value) : std::string();
}

bool makeFolder(const std::string& path) { return ::CreateDirectoryW(wideFromUtf8(path).c_str(), nullptr) != 0; }

bool createExclusive(const std::string& path) {
  HANDLE h = ::CreateFileW(wideFromUtf8(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  ::CloseHandle(h);
  return true;
}

std::FILE* createOrTruncate(const std::string& path) { return openFile(path, "wb"); }

std::FILE* openFile(const std::string& path, const char* mode) {
  return ::_wfopen(wideFromUtf8(path).c_str(), wideFromUtf8(mode).c_str());
}

bool removeFile(const std::string& path) { return ::_wremove(wideFromUtf8(path).c_str()) == 0; }

std::FILE* openRegularFile(const std::string& path, bool* notRegular) {
  if (notRegular) *notRegular = false;
  const DWORD a = ::GetFileAttributesW(wideFromUtf8(path).c_str());
  if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY)) {
    if (notRegular) *notRegular = true;
    return nullptr;
  }
  std::FILE* f = openFile(path, "rb");
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
  const DWORD a = ::GetFileAttributesW(wideFromUtf8(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool folderExists(const std::string& path) {
  const DWORD a = ::GetFileAttributesW(wideFromUtf8(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

void* allocateLarge(std::size_t bytes) {
  return ::VirtualAlloc(nullptr, bytes ? bytes : 1, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

void releaseLarge(void* block, std::size_t) {
  if (block) ::VirtualFree(block, 0, MEM_RELEASE);
}

}  // namespace varnix::platform
