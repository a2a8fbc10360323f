// SPDX-License-Identifier: MIT
// Receiving one dump over a serial port and filing it as a dated .DAT file
// in the data folder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/config_files.h"
#include "core/header_lines.h"
#include "platform/serial_port.h"

namespace varnix {

// Between bytes until the "$L" line has begun.
inline constexpr std::int32_t kHeaderGapTimeout = 30000;
// The pause after the line fell silent.
inline constexpr std::int32_t kSilencePause = 2000;
// The instrument's memory: the port's queues and the first allocation of the
// receive buffer are sized for it.
inline constexpr std::uint32_t kReceiveBufferBytes = 700000;
// Bytes past this many are received but not kept: no instrument holds a dump
// this long, and a line that never stops must not exhaust memory.
inline constexpr std::size_t kMaxDumpBytes = 16u * 1024u * 1024u;
// Fewer bytes than this are no dump.
inline constexpr std::size_t kMinDumpBytes = 25;

// DataDownload's result codes.
enum DownloadCode : int {
  kDownloadFiled = 0,            // filed under the user id
  kDownloadPortNotOpened = 1,
  kDownloadQueueSizes = 2,
  kDownloadLineSettings = 3,
  kDownloadTimeouts = 4,
  kDownloadReadEvent = 5,
  kDownloadReadFailed = 6,       // what arrived stays in the working file
  kDownloadNothing = 7,          // fewer than 25 bytes; nothing is kept
  kDownloadBadData = 8,          // filed under "BadData" (or left as the working file)
  kDownloadNoSettings = 9,       // "VARNIX.CFG" could not be read
  kDownloadCannotWrite = 10,     // a claimed dated name could not be opened or written
  kDownloadNamesTaken = 11,      // all 53 dated names of the day are taken
  kDownloadCopyFailed = 12,      // the copy into the subfolder failed; working file kept
};

struct DownloadOptions {
  std::int32_t headerGapTimeout = kHeaderGapTimeout;
  std::int32_t silencePause = kSilencePause;
  // Folder of the working file; empty for the current directory.
  std::string workingFolder;
  // Whether a key press on an interactive console ends the reception.
  bool keyPressEnds = true;
  // Called with the count of bytes received so far, now and then while a
  // dump arrives and once when the reception ends.
  std::function<void(std::size_t)> progress;
};

struct DownloadResult {
  int code = kDownloadNothing;
  std::string path;  // the stored dump or the kept working file; else empty
};

// The whole download: claim the working file, open and set up the port,
// receive until the line falls silent, write the bytes and file the dump.
// The dump's first line is parsed into `header`.
DownloadResult DownloadDump(platform::SerialPort& port, const PortSettings& settings, const DumpTimeouts& timeouts,
                            std::string_view folderArgument, HeaderState& header, const DownloadOptions& options = {});

// --- the reception ---------------------------------------------------------

enum class ReceptionEnd { TimedOut, KeyPressed, ReadFailed };

struct Reception {
  std::vector<std::uint8_t> bytes;    // what arrived, up to kMaxDumpBytes
  std::size_t received = 0;           // every byte that arrived
  std::optional<std::size_t> marker;  // count when "$" "L" had first arrived
  ReceptionEnd end = ReceptionEnd::TimedOut;
};

// The time-out for the next wait: the first-byte wait, the header gap until
// a byte has followed the "$L" marker, then the end-of-dump silence.
std::int32_t NextReadTimeout(const Reception& r, const DumpTimeouts& timeouts, std::int32_t headerGapTimeout);

// Reads one byte at a time until the line falls silent, a key is pressed or
// a read fails. Does not pause.
Reception ReceiveDump(platform::SerialPort& port, const DumpTimeouts& timeouts, const DownloadOptions& options);

// --- filing ----------------------------------------------------------------

enum class Filing {
  UserFolder,     // in the user id's subfolder
  BadData,        // in "BadData"
  NotReopened,    // the working file could not be read again; left as it is
  CannotOpen,     // the claimed name could not be opened for writing
  NamesTaken,     // all 53 dated names in the subfolder are taken
  CopyFailed,     // the copy failed; the working file is kept
};

// Files the working file `path` by its first line into the data folder;
// `path` then names the filed dump (unchanged unless it was filed). The
// first line is parsed into `header`.
Filing FileDownloadedDump(std::string& path, std::string_view folderArgument, HeaderState& header);

}  // namespace varnix
