// SPDX-License-Identifier: GPL-3.0-or-later
// The fixed message the program shows for each result code of the library,
// and the texts of the roads' other messages and questions. Shared by the
// desktop program and the command-line tool. An empty text means that the
// program shows no message for that code.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace varnix::frontend::messages {

inline constexpr const char* kProgramTitle = "Varnix";
inline constexpr const char* kInformationTitle = "Varnix Information";

// The codes every function may return beyond its own table (not available,
// internal error); empty for any other code.
std::string libraryFaultMessage(int code);

// DataDownload; `portName` as read from "VARNIX.CFG" (code 1 names it).
std::string downloadMessage(int code, std::string_view portName);

// DataDownload's code 14 (a path too long for the buffer): `name` as the
// library passed it back, `folder` the folder it lies in.
std::string pathTooLongMessage(std::string_view name, std::string_view folder);

// A dump filed although the line fell silent or hung up before the bytes
// its header announced (`expected`) had arrived.
std::string cutShortMessage(std::uint64_t received, std::uint64_t expected);

// Why a dump was filed under "BadData": GetUserID's `code` and `id` for it,
// and the dump's first bytes.
std::string badDataReason(int code, std::string_view id, std::string_view firstBytes);

// DataDownload codes 10, 11 and 12 when the road knows the user folder that
// failed and where the received dump is kept.
std::string notFiledMessage(int code, std::string_view userFolder, std::string_view keptDump);

// ExpandDataFile; `datPath` the dump's path (codes 1 and 8 name it).
std::string expandMessage(int code, std::string_view datPath);

// Before an expansion: the flights after a damaged one that recovery would
// write, and the flights (as "Flt#<n>") whose files are in the folder already.
std::string recoverQuestion(std::size_t laterFlights);
std::string alreadyExpandedMessage(const std::vector<std::string>& flights, std::string_view dumpName);
std::string expandAgainQuestion(const std::vector<std::string>& flights, std::string_view dumpName);

// GetUserID (the program shows none; the command line explains failures).
std::string userIdMessage(int code, std::string_view datPath);

// The Palm conversion and filing of one backup file.
inline constexpr const char* kPalmTitle = "Decompress Palm Files Info";
enum class PalmNotice {
  ConversionFailed,  // ProcessPalmFile gave non-zero; `name` is the backup's file name
  NotConverted,      // ProcessPalmFile gave 0 without writing a dump; `name` is the path
  OverwriteQuestion, // the program's Yes/No question when the dump `name` exists in `userId`
  DumpExists,        // a dump named `name` already lies in the user folder `userId`
  NotMoved,          // the dump `name` could not be moved into the user folder
  NoUserId,          // the dump `name` was filed under `userId` ("BadData") and not expanded
  AboutToExpand,     // the dump `name` was filed under `userId` and is expanded next
};
// `name` is the backup's file name or the dump's name D, as noted above.
std::string palmMessage(PalmNotice notice, std::string_view name, std::string_view userId = {});

// Filing and expanding a dump chosen on the archive screen.
inline constexpr const char* kArchivesTitle = "Decompress Archives Info";
inline constexpr const char* kArchiveFileTitle = "Decompress Archive File Info";
enum class ArchiveNotice {
  MoveQuestion,       // `path` (the chosen dump) will be moved to `folder`; `idRead` adds "and decompressed"
  OverwriteQuestion,  // `path` (the target) exists already
  NotMoved,           // the dump `path` (its file name) could not be moved to `folder`
  NoUserId,           // the dump `path` (its file name) has no user id and is not expanded
  NotCopied,          // "Browse...": the dump `path` could not be copied into `folder`
};
std::string archiveMessage(ArchiveNotice notice, std::string_view path, std::string_view folder = {},
                           bool idRead = false);

}  // namespace varnix::frontend::messages
