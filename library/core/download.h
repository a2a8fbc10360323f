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
// A reception ends when this many bytes have arrived: no instrument holds a
// dump this long, so the line is not falling silent (a port set to the wrong
// rate that hears noise), and memory must not run out.
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
  kDownloadReadFailed = 6,       // what arrived (25 bytes or more) is filed all the same
  kDownloadNothing = 7,          // fewer than 25 bytes; nothing is kept
  kDownloadBadData = 8,          // filed under "BadData" (or left as the working file)
  kDownloadNoSettings = 9,       // "VARNIX.CFG" could not be read
  kDownloadCannotWrite = 10,     // a claimed dated name could not be opened or written
  kDownloadNamesTaken = 11,      // all 53 dated names of the day are taken
  kDownloadCopyFailed = 12,      // the copy into the subfolder failed; working file kept
  kDownloadNeverSilent = 13,     // 16 MiB arrived without a silence; they are filed
  kDownloadPathTooLong = 14,     // stored, but its path does not fit the caller's buffer
};

// Where a reception stands, as the progress hook hears it.
enum class DownloadPhase : int {
  WaitingForFirstByte = 0,
  Header = 1,    // header lines until the "$L" line is complete
  Flights = 2,   // the flight data after the "$L" line
  Silence = 3,   // the line has stopped; the reception ends unless bytes come
};

struct DownloadProgress {
  DownloadPhase phase = DownloadPhase::WaitingForFirstByte;
  std::size_t received = 0;
  // Known once the "$L" line is complete: the header bytes, the flight data
  // that line announces and the closing line; 0 until then.
  std::uint64_t expected = 0;
  // Until the reception gives up if nothing more arrives: the rest of the
  // current time-out and the pause that follows it.
  std::int32_t msLeft = 0;
};

// How often at most the progress hook is called, phase changes aside.
inline constexpr std::int32_t kProgressIntervalMs = 100;
// After this long without a byte once the flight data has begun (or at once
// after the closing line), the phase is Silence.
inline constexpr std::int32_t kSilenceNoticeMs = 500;

struct DownloadOptions {
  std::int32_t headerGapTimeout = kHeaderGapTimeout;
  std::int32_t silencePause = kSilencePause;
  // Folder of the working file; empty for the current directory.
  std::string workingFolder;
  // Whether a key press on an interactive console ends the reception.
  bool keyPressEnds = true;
  // Called on the receiving thread at the start, at every change of phase
  // and at most every kProgressIntervalMs in between (also while waiting,
  // and during the pause after the silence), and once more with the exact
  // count when the line fell silent or hung up (phase Silence). Returning
  // true ends the reception now; what arrived is stored and filed as after
  // a silence.
  std::function<bool(const DownloadProgress&)> progress;
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

enum class ReceptionEnd {
  TimedOut,    // the line fell silent
  KeyPressed,  // a key on the console
  ReadFailed,  // a read failed
  HungUp,      // the other end closed the line; nothing more can come
  Cancelled,   // the progress hook asked to stop
  CapReached,  // kMaxDumpBytes arrived without a silence
};

struct Reception {
  std::vector<std::uint8_t> bytes;    // what arrived, at most kMaxDumpBytes
  std::size_t received = 0;           // bytes.size()
  std::optional<std::size_t> marker;  // count when "$" "L" had first arrived
  std::uint64_t expected = 0;         // see DownloadProgress; 0: not known
  ReceptionEnd end = ReceptionEnd::TimedOut;
};

// The time-out for the next wait: the first-byte wait, the header gap until
// a byte has followed the "$L" marker, then the end-of-dump silence.
std::int32_t NextReadTimeout(const Reception& r, const DumpTimeouts& timeouts, std::int32_t headerGapTimeout);

// The size a dump announces in its "$L" line (`line`, without its line
// feed, which ends at offset `lineEnd` of the dump): the header, the flight
// data and the closing line. 0 when the line is not a valid "$L" line.
std::uint64_t ExpectedDumpBytes(std::string_view line, std::size_t lineEnd);

// Reads one byte at a time until the line falls silent or hangs up, a key is
// pressed, a read fails, the progress hook says stop or kMaxDumpBytes have
// arrived. Does not pause.
Reception ReceiveDump(platform::SerialPort& port, const DumpTimeouts& timeouts, const DownloadOptions& options);

// The pause after a silence, reported to the progress hook, which may cut
// it short.
void PauseAfterSilence(const Reception& r, const DownloadOptions& options);

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
