// SPDX-License-Identifier: GPL-3.0-or-later
#include "frontend/result_messages.h"

#include <cstdio>

#include "core/download.h"
#include "core/expand.h"
#include "core/user_id.h"
#include "frontend/download_meter.h"
#include "varnix/varnix.h"

namespace varnix::frontend::messages {

std::string libraryFaultMessage(int code) {
  switch (code) {
    case VARNIX_NOT_AVAILABLE:
      return "This function is not available in the flight data library.";
    case VARNIX_INTERNAL_ERROR:
      return "The flight data library stopped because of an internal error.";
    default:
      return {};
  }
}

std::string downloadMessage(int code, std::string_view portName) {
  switch (code) {
    case kDownloadFiled:
      return "Download is successful. Expand data Now.";
    case kDownloadPortNotOpened:
      return "Could not open \"" + std::string(portName) + "\". Please select correct COM port. ";
    case kDownloadQueueSizes:
      return "The communications device's internal buffer size setting is not correct.";
    case kDownloadLineSettings:
      return "Could not set DCB for the COM port.";
    case kDownloadTimeouts:
      return "The communications device's time out setting is not correct.";
    case kDownloadReadEvent:
      return "Creating overlapped event failed.";
    case kDownloadReadFailed:
      return "Reading data from the COM port failed.";
    case kDownloadNothing:
      return "Time out. No data was downloaded. Be sure to tap STEP on the QTM to start data dump within 15 "
             "seconds after press 'START' button.";
    case kDownloadBadData:
      return "Could not change the file directory correctly. Move the file to the 'BadData' folder and stopped "
             "expanding data.";
    case kDownloadNoSettings:
      return "File 'VARNIX.CFG' could not be opened.";
    case kDownloadCannotWrite:
      return "Could not write the downloaded data to a .DAT file.";
    case kDownloadNamesTaken:
      return "No free name for today's download: all 53 dated .DAT names are taken, or the folder cannot be "
             "written.";
    case kDownloadCopyFailed:
      return "Could not copy the downloaded data into its folder. The data is kept in the .DAT file where it was received.";
    case 13:
      return "The line did not fall silent: the download stopped after 16 MiB (16,777,216 bytes) and kept what "
             "arrived. Check that the port's baud rate is the instrument's.";
    case 14:
      return "The dump was stored, but its path is too long for this program.";
    default:
      return libraryFaultMessage(code);
  }
}

std::string pathTooLongMessage(std::string_view name, std::string_view folder) {
  return "The dump was stored as '" + std::string(name) + "' in the folder '" + std::string(folder) +
         "', but its full path is too long for this program. Choose a shorter data folder.";
}

std::string cutShortMessage(std::uint64_t received, std::uint64_t expected) {
  return "The instrument stopped sending after " + frontend::progress::groupedDigits(received) + " of " +
         frontend::progress::groupedDigits(expected) +
         " bytes; the dump was kept as it arrived, and its last flights are incomplete.";
}

std::string badDataReason(int code, std::string_view id, std::string_view firstBytes) {
  std::string text;
  if (code == kUserIdFound) {
    text = "The dump's user id \"";
    text.append(id);
    text.append("\" cannot be a folder's name.");
    return text;
  }
  // The first bytes as text, anything unprintable as \xNN.
  std::string shown;
  for (const char c : firstBytes.substr(0, firstBytes.find_first_of("\r\n"))) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7f) {
      shown += c;
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", byte);
      shown += hex;
    }
  }
  text = "The dump's first line is not a valid \"$U\" user id line; it begins \"";
  text.append(shown);
  text.append("\". One stray byte before \"$U\", as plugging in the cable can send, is enough.");
  return text;
}

std::string notFiledMessage(int code, std::string_view userFolder, std::string_view keptDump) {
  // Appended piece by piece: GCC 12 at -O3 warns of a false overlap
  // (-Wrestrict) in chains of std::string additions.
  std::string text;
  switch (code) {
    case kDownloadCannotWrite:
      text = "Could not write the downloaded data to a .DAT file in the folder '";
      break;
    case kDownloadNamesTaken:
      text = "No free name for today's download in the folder '";
      break;
    case kDownloadCopyFailed:
      text = "Could not copy the downloaded data into the folder '";
      break;
    default:
      return downloadMessage(code, {});
  }
  text.append(userFolder);
  text.append(code == kDownloadNamesTaken ? "': all 53 dated .DAT names are taken, or the folder cannot be written."
                                          : "'.");
  text.append(" The downloaded data is kept in '");
  text.append(keptDump);
  text.append("'.");
  return text;
}

std::string recoverQuestion(std::size_t laterFlights) {
  return std::to_string(laterFlights) + " later flights can be recovered. Recover them?";
}

std::string alreadyExpandedMessage(const std::vector<std::string>& flights, std::string_view dumpName) {
  std::string list;
  for (const std::string& f : flights) list += (list.empty() ? "" : ", ") + f;
  return "The flights " + list + " of " + std::string(dumpName) +
         " are in their folder already; expanding again writes second copies.";
}

std::string expandAgainQuestion(const std::vector<std::string>& flights, std::string_view dumpName) {
  return alreadyExpandedMessage(flights, dumpName) + " Expand it again?";
}

std::string expandMessage(int code, std::string_view datPath) {
  switch (code) {
    case kExpandCannotOpenDump:
      return "Unable to open file " + std::string(datPath) + ", stopped expanding data ";
    case kExpandBadHeader:
      return "Bad file header, stopped expanding data.";
    case kExpandBadFlightHeader:
      return "Bad flight header, stopped expanding data.";
    case kExpandBadRecordFlag:
      return "Bad record flag, stopped expanding data.";
    case kExpandBadRecord:
      return "Bad record, stopped expanding data.";
    case kExpandNoClosingLine:
      return "Data Expanding is successful. But couldn't find $E line, dump ended due to problem.";
    case kExpandCannotOpenIndex:
      return "Couldn't open .TXT file.";
    case kExpandNoDot:
      return "Couldn't find '.' in " + std::string(datPath);
    case kExpandCannotWriteCsv:
      return "Couldn't create the flight .CSV file, stopped expanding data.";
    case 20:
      return "No end of the file header: 282 header lines without a \"$L\" line, stopped expanding data.";
    default:
      return libraryFaultMessage(code);
  }
}

std::string userIdMessage(int code, std::string_view datPath) {
  switch (code) {
    case kUserIdCannotOpen:
      return "Unable to open file " + std::string(datPath) + ".";
    case kUserIdNotUserLine:
      return "The first line of " + std::string(datPath) + " is not a valid user id line.";
    default:
      return {};
  }
}

std::string palmMessage(PalmNotice notice, std::string_view name, std::string_view userId) {
  const std::string n(name), id(userId);
  switch (notice) {
    case PalmNotice::ConversionFailed:
      return "File ' " + n + " ' could not be decompressed.";
    case PalmNotice::NotConverted:
      return "Nothing was converted: the first '.' in " + n + " does not begin '.PDB'.";
    case PalmNotice::OverwriteQuestion:
      return "The file ' " + n + " ' already existed in ' " + id + " ' folder, overwrite and decompress ?";
    case PalmNotice::DumpExists:
      return "The file ' " + n + " ' already existed in ' " + id + " ' folder; it was not overwritten.";
    case PalmNotice::NotMoved:
      return "The file ' " + n + " ' could not be moved to ' " + id + " ' folder.";
    case PalmNotice::NoUserId:
      return "The file ' " + n + " ' was generated in ' " + id + " ' folder. and couldn't be decompressed.";
    case PalmNotice::AboutToExpand:
      return "The file ' " + n + " ' was generated in '" + id + " ' folder and decompressed.";
  }
  return {};
}

std::string archiveMessage(ArchiveNotice notice, std::string_view path, std::string_view folder, bool idRead) {
  const std::string p(path), f(folder);
  switch (notice) {
    case ArchiveNotice::MoveQuestion:
      return "'" + p + "' will be moved to folder: '" + f + (idRead ? "' and decompressed." : "'.");
    case ArchiveNotice::OverwriteQuestion:
      return "'" + p + "' already existed, Overwrite? ";
    case ArchiveNotice::NotMoved:
      return "'" + p + "' could not be moved to folder: '" + f + "'.";
    case ArchiveNotice::NoUserId:
      return "Sorry, '" + p + "' could not be decompressed.";
    case ArchiveNotice::NotCopied:
      return "'" + p + "' could not be copied to folder: '" + f + "'. Nothing was changed there.";
  }
  return {};
}

}  // namespace varnix::frontend::messages
