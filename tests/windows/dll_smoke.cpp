// SPDX-License-Identifier: GPL-3.0-or-later
// dll_smoke: loads Varnix.dll by name, as the desktop program does, and calls
// its exports with the program's fixed-size buffers. Run under Wine by
// scripts/windows-test.sh, which compares the files it produces with the
// Linux build's.
//   dll_smoke exports                      the five exports can be found
//   dll_smoke userid FILE.DAT              GetUserID
//   dll_smoke expand DATAFOLDER FILE...    ExpandDataFile for each file
//   dll_smoke palm FILE...                 ProcessPalmFile for each file (code, file, path after)
//   dll_smoke download DATAFOLDER          DataDownload (VARNIX.CFG beside the program)
// Each result goes to standard output as one line; the last line is
// "dll_smoke: done" when the program ran to its end.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "varnix/varnix.h"

namespace {

using TwoArgs = int(VARNIX_CALL*)(char*, char*);
using OneArg = int(VARNIX_CALL*)(char*);
using WithProgress = int(VARNIX_CALL*)(char*, char*, int, VarnixProgress, void*);

struct Exports {
  TwoArgs dataDownload = nullptr;
  TwoArgs expandDataFile = nullptr;
  OneArg processPalmFile = nullptr;
  TwoArgs getUserId = nullptr;
  WithProgress dataDownloadProgress = nullptr;
};

template <typename F>
F find(HMODULE dll, const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(dll, name)));
}

// A 200-character buffer holding `text`, as the program passes paths.
bool fill(char (&buffer)[VARNIX_PATH_BUFFER], const std::string& text) {
  std::memset(buffer, 0, sizeof buffer);
  if (text.size() >= sizeof buffer) {
    std::printf("path too long: %s\n", text.c_str());
    return false;
  }
  std::memcpy(buffer, text.data(), text.size());
  return true;
}

// The folder argument: the data folder and one backslash.
std::string folderArgument(std::string folder) {
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  return folder;
}

int run(const Exports& x, int argc, char** argv) {
  const std::string command = argv[1];
  char path[VARNIX_PATH_BUFFER];
  char folder[VARNIX_PATH_BUFFER];
  if (command == "exports") {
    std::printf("exports: ok\n");
  } else if (command == "userid" && argc == 3) {
    char id[VARNIX_ID_BUFFER];
    if (!fill(path, argv[2])) return 1;
    const int code = x.getUserId(path, id);
    std::printf("userid %d %s\n", code, id);
  } else if (command == "expand" && argc >= 4) {
    for (int i = 3; i < argc; ++i) {
      if (!fill(folder, folderArgument(argv[2])) || !fill(path, argv[i])) return 1;
      const int code = x.expandDataFile(path, folder);
      std::printf("expand %d %s\n", code, argv[i]);
    }
  } else if (command == "palm" && argc >= 3) {
    for (int i = 2; i < argc; ++i) {
      if (!fill(path, argv[i])) return 1;
      const int code = x.processPalmFile(path);
      std::printf("palm %d %s %s\n", code, argv[i], path);
    }
  } else if (command == "download" && argc == 3) {
    if (!fill(folder, folderArgument(argv[2]))) return 1;
    std::memset(path, ' ', sizeof path);  // contents on entry are ignored
    const int code = x.dataDownload(path, folder);
    std::printf("download %d %s\n", code, code == 0 ? path : "-");
  } else {
    std::printf("unknown command or arguments: %s\n", command.c_str());
    return 2;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::printf("usage: dll_smoke exports|userid|expand|palm|download ...\n");
    return 2;
  }
  HMODULE dll = ::LoadLibraryA("Varnix.dll");
  if (!dll) {
    std::printf("cannot load Varnix.dll (error %lu)\n", static_cast<unsigned long>(::GetLastError()));
    return 1;
  }
  Exports x;
  x.dataDownload = find<TwoArgs>(dll, "DataDownload");
  x.expandDataFile = find<TwoArgs>(dll, "ExpandDataFile");
  x.processPalmFile = find<OneArg>(dll, "ProcessPalmFile");
  x.getUserId = find<TwoArgs>(dll, "GetUserID");
  x.dataDownloadProgress = find<WithProgress>(dll, "DataDownloadProgress");
  if (!x.dataDownload || !x.expandDataFile || !x.processPalmFile || !x.getUserId || !x.dataDownloadProgress ||
      !::GetProcAddress(dll, "ExpandDataFileEx")) {
    std::printf("an export is missing from Varnix.dll\n");
    return 1;
  }
  const int status = run(x, argc, argv);
  std::fflush(stdout);
  ::FreeLibrary(dll);
  if (status == 0) std::printf("dll_smoke: done\n");
  return status;
}
