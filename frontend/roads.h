// SPDX-License-Identifier: GPL-3.0-or-later
// The three roads a dump travels, written once for both front ends: the
// download road (receive, file, expand), the Palm road (convert, file into
// the user folder, expand) and the archive road (file a chosen dump into
// its user folder, expand). Each takes its inputs, calls the library
// through `library`, and asks, tells and reports through `user`. What the
// screen shows afterwards (the flights, the next window) stays with the
// front end.
#pragma once

#include <cstdint>
#include <string>

#include "frontend/flight_library.h"
#include "frontend/port_trouble.h"
#include "frontend/road_user.h"

namespace varnix::frontend {

// Exit status when a dump could not be filed in its user folder (one of
// that name is there and was kept, or the move failed); the library has no
// code for it.
inline constexpr int kDumpNotFiled = 10;

// --- download ---------------------------------------------------------------

struct DownloadRoad {
  std::string dataFolder;
  std::string portName;  // named by the message of code 1
  bool expand = true;    // go on to expand a filed dump
  // Hears the download's progress on the downloading thread; true stops it.
  FlightLibrary::DownloadHook progress{};
  bool expandAfterStop = true;  // false: a stopped download is filed, not expanded
  // How the cause of a port that cannot be opened is found; empty: the system.
  PortProbe probe{};
};

struct DownloadOutcome {
  bool ran = true;       // false: a library call could not run (reported)
  bool stopped = false;  // the progress hook stopped the download
  // Filed, but the line fell silent or hung up before the bytes the header
  // announced had arrived (said to the user after the filing's message).
  bool cutShort = false;
  std::uint64_t received = 0, expected = 0;  // as the reception last reported them
  bool expanded = false; // the expansion ran; `code` is its result
  int code = 0;          // the download's result, or the expansion's
  std::string dump;      // the stored dump; empty when nothing was kept
  bool userIdRead = false;
  std::string userId;
};

DownloadOutcome runDownloadRoad(FlightLibrary& library, RoadUser& user, const DownloadRoad& road);

// --- Palm -------------------------------------------------------------------

struct PalmRoad {
  std::string backup;  // the Palm backup database
  std::string dataFolder;
  bool fileAndExpand = true;  // false: stop once the dump lies beside the backup
};

enum class PalmStop {
  LibraryProblem,    // a library call could not run (reported)
  ConversionFailed,  // the conversion gave a non-zero code
  NotConverted,      // the conversion wrote no dump
  Converted,         // the dump lies beside the backup (fileAndExpand off)
  Declined,          // a dump of that name in the user folder was kept
  NotMoved,          // the dump could not be moved into the user folder
  NoUserId,          // filed under "BadData", not expanded
  Expanded,          // the expansion ran
};

struct PalmOutcome {
  PalmStop stop = PalmStop::LibraryProblem;
  int code = 0;      // the exit status: the library's last code, or kDumpNotFiled
  std::string dump;  // where the dump lies now
  std::string dumpName;
  bool userIdRead = false;
  std::string userId;
};

PalmOutcome runPalmRoad(FlightLibrary& library, RoadUser& user, const PalmRoad& road);

// --- archive ----------------------------------------------------------------

struct ArchiveRoad {
  std::string dump;  // the chosen dump
  std::string dataFolder;
};

enum class ArchiveStop { LibraryProblem, Declined, NotMoved, NoUserId, Expanded };

struct ArchiveOutcome {
  ArchiveStop stop = ArchiveStop::LibraryProblem;
  int code = 0;      // the expansion's result when Expanded
  std::string dump;  // where the dump lies now
  bool userIdRead = false;
  std::string userId;
  std::string userFolder;
};

ArchiveOutcome runArchiveRoad(FlightLibrary& library, RoadUser& user, const ArchiveRoad& road);

}  // namespace varnix::frontend
