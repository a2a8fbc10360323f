// SPDX-License-Identifier: GPL-3.0-or-later
// A stand-in flight data library for the binding's tests: GetUserID and
// DataDownload only, so that the other two functions are missing.
#include <cstring>

#include "varnix/varnix.h"

extern "C" {

// Writes "FAKE" and answers 42, so a test can tell this file from the real one.
VARNIX_API int VARNIX_CALL GetUserID(char* path, char* userId) {
  (void)path;
  std::strcpy(userId, "FAKE");
  return 42;
}

// Answers the length of the folder argument it received and writes a path
// into the path buffer, filling all of its 200 bytes.
VARNIX_API int VARNIX_CALL DataDownload(char* path, char* folder) {
  std::memset(path, 'p', VARNIX_PATH_BUFFER);
  std::memcpy(path, "written", 8);
  return static_cast<int>(std::strlen(folder));
}

}  // extern "C"
