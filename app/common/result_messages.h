// The fixed message the program shows for each result code of the library.
// Plain C++ so that the desktop program and the command-line tool share it.
// An empty text means that the program shows no message for that code.
#pragma once

#include <string>
#include <string_view>

namespace varnix::messages {

inline constexpr const char* kInformationTitle = "Varnix Information";

// DataDownload; `portName` as read from "VARNIX.CFG" (code 1 names it).
std::string downloadMessage(int code, std::string_view portName);

// ExpandDataFile; `datPath` the dump's path (codes 1 and 8 name it).
std::string expandMessage(int code, std::string_view datPath);

// GetUserID (the program shows none; the command line explains failures).
std::string userIdMessage(int code, std::string_view datPath);

}  // namespace varnix::messages
