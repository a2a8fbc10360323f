// SPDX-License-Identifier: GPL-3.0-or-later
#include "frontend/roads.h"

#include "core/download.h"
#include "core/expand.h"
#include "core/naming.h"
#include "core/palm.h"
#include "core/user_id.h"

#include <cstdio>
#include <filesystem>
#include <optional>

#include "frontend/expansion_preview.h"
#include "frontend/dump_files.h"
#include "frontend/result_messages.h"
#include "platform/fs_path.h"
#include "platform/platform.h"

namespace varnix::frontend {

namespace {

using frontend::messages::ArchiveNotice;
using frontend::messages::PalmNotice;

Message palmNotice(PalmNotice notice, const std::string& name, const std::string& userId = {}) {
  // A success is news, not a warning.
  const MessageIcon icon = notice == PalmNotice::AboutToExpand ? MessageIcon::Information : MessageIcon::Exclamation;
  return {frontend::messages::palmMessage(notice, name, userId), frontend::messages::kPalmTitle, icon};
}

// Replaces a file at `path`; a folder of that name stays, and the move
// after it fails.
void removeForOverwrite(const std::string& path) {
  if (platform::fileExists(path)) platform::removeFile(path);
}

// Whether the dump file's last line is the closing line.
bool endsWithClosingLine(const std::string& dump) {
  std::FILE* f = platform::openFile(dump, "rb");
  if (!f) return false;
  std::string tail(kClosingLine.size() + 2, '\0');
  const bool read = std::fseek(f, -static_cast<long>(tail.size()), SEEK_END) == 0 &&
                    std::fread(tail.data(), 1, tail.size(), f) == tail.size();
  std::fclose(f);
  return read && tail == std::string(kClosingLine) + "\r\n";
}

void makeFolderIfMissing(const std::string& folder) {
  if (!platform::folderExists(folder)) platform::makeFolder(folder);
}

// Expands `dump` after a look at what that would do (previewExpansion):
// where flights after a damaged one can be recovered, the user is asked
// whether to write them too; with `askAgain`, a dump whose flights are in
// their folder already is expanded again only when the user says so.
// Nothing when the user declined.
std::optional<LibraryOutcome> expandAsking(FlightLibrary& library, RoadUser& user, const std::string& dump,
                                           const std::string& dataFolder, const char* title, bool askAgain) {
  const ExpansionPreview preview = previewExpansion(library, dump, dataFolder);
  if (askAgain && !preview.alreadyThere.empty() &&
      !user.ask(Question::ExpandAgain,
                {frontend::messages::expandAgainQuestion(preview.alreadyThere, fileNameOf(dump)), title, MessageIcon::None}))
    return std::nullopt;
  const bool recover =
      preview.recoverable > 0 && user.ask(Question::RecoverLaterFlights, {frontend::messages::recoverQuestion(preview.recoverable),
                                                                          title, MessageIcon::Exclamation});
  return library.expandDataFile(dump, dataFolder, recover);
}

}  // namespace

DownloadOutcome runDownloadRoad(FlightLibrary& library, RoadUser& user, const DownloadRoad& road) {
  DownloadOutcome out;
  // The reception's last report says where the line stopped.
  DownloadProgress last;
  const FlightLibrary::DownloadHook hook = [&road, &out, &last](const DownloadProgress& p) {
    last = p;
    if (road.progress && road.progress(p)) out.stopped = true;
    return out.stopped;
  };
  const LibraryOutcome download = library.dataDownload(road.dataFolder, out.dump, hook);
  user.step(Step::DumpReceived, out.dump);
  if (!download.ok()) {
    user.libraryProblem(download.problem);
    out.ran = false;
    return out;
  }
  out.code = download.value;
  out.received = last.received;
  out.expected = last.expected;
  // Only a report of the stopped line that counts every byte of the stored
  // dump tells (a key press or a stop asked for is no early end of the
  // line), and a dump that ends with its closing line is whole: the count a
  // header announces is in blocks and may run past the last flight.
  std::error_code sizeError;
  const bool filed = (download.value == kDownloadFiled || download.value == kDownloadBadData) && !out.dump.empty();
  out.cutShort = filed && !out.stopped && last.phase == DownloadPhase::Silence && last.expected > last.received &&
                 std::filesystem::file_size(platform::utf8Path(out.dump), sizeError) == last.received && !sizeError &&
                 !endsWithClosingLine(out.dump);
  const Message cutShort{frontend::messages::cutShortMessage(last.received, last.expected), frontend::messages::kInformationTitle,
                         MessageIcon::Exclamation};
  if (download.value != kDownloadFiled) {
    std::string text = frontend::messages::downloadMessage(download.value, road.portName);
    // A port that would not open, or would not take the line settings
    // (a file, a folder, /dev/null named as the port): the cause.
    if ((download.value == kDownloadPortNotOpened || download.value == kDownloadLineSettings) &&
        !road.portName.empty()) {
      const std::string cause =
          portTroubleText(diagnosePort(road.portName, road.probe.openError ? road.probe : systemPortProbe()));
      if (!cause.empty()) text += "\n\n" + cause;
    }
    // A path too long to be passed back: where the dump lies, below the
    // data folder or in the current folder.
    if (download.value == kDownloadPathTooLong) {
      const bool below = out.dump.find_first_of("/\\") != std::string::npos;
      std::error_code ec;
      const std::string here = platform::utf8Text(std::filesystem::current_path(ec));
      text = frontend::messages::pathTooLongMessage(out.dump, below ? road.dataFolder : here);
    }
    // Filed under "BadData": why.
    if (download.value == kDownloadBadData && !out.dump.empty()) {
      std::string id, first(24, '\0');
      const LibraryOutcome idRead = library.getUserId(out.dump, id);
      if (std::FILE* f = platform::openFile(out.dump, "rb")) {
        first.resize(std::fread(first.data(), 1, first.size(), f));
        std::fclose(f);
      }
      if (idRead.ok()) text += "\n\n" + frontend::messages::badDataReason(idRead.value, id, first);
    }
    // Received but not filed: which folder failed, and where the dump is.
    if ((download.value == kDownloadCannotWrite || download.value == kDownloadNamesTaken ||
         download.value == kDownloadCopyFailed) &&
        !out.dump.empty()) {
      std::string id;  // none when the id cannot be read: the folder for no id
      if (!library.getUserId(out.dump, id).ok()) id.clear();
      std::error_code ec;
      const std::string kept = platform::utf8Text(std::filesystem::absolute(platform::utf8Path(out.dump), ec));
      text = frontend::messages::notFiledMessage(download.value, joinPath(road.dataFolder, FolderForUserId(id)),
                                       ec ? out.dump : kept);
    }
    if (!text.empty()) user.tell({text, frontend::messages::kInformationTitle, MessageIcon::Exclamation});
    if (out.cutShort) user.tell(cutShort);
    return out;
  }
  user.tell({frontend::messages::downloadMessage(kDownloadFiled, {}), frontend::messages::kInformationTitle, MessageIcon::Information});
  if (out.cutShort) user.tell(cutShort);
  if (!road.expand || (out.stopped && !road.expandAfterStop)) return out;

  const LibraryOutcome expand =
      *expandAsking(library, user, out.dump, road.dataFolder, frontend::messages::kInformationTitle, false);
  if (!expand.ok()) {
    user.libraryProblem(expand.problem);
    out.ran = false;
    return out;
  }
  out.expanded = true;
  out.code = expand.value;
  user.expanded(out.dump, expand.value,
                {frontend::messages::expandMessage(expand.value, out.dump), frontend::messages::kInformationTitle,
                 MessageIcon::Exclamation});

  const LibraryOutcome id = library.getUserId(out.dump, out.userId);
  if (!id.ok()) {
    user.libraryProblem(id.problem);
    out.ran = false;
    return out;
  }
  out.userIdRead = true;
  return out;
}

PalmOutcome runPalmRoad(FlightLibrary& library, RoadUser& user, const PalmRoad& road) {
  PalmOutcome out;
  const std::string backupName = fileNameOf(road.backup);
  std::string folder;
  std::string dump = convertiblePath(road.backup, folder);
  LibraryOutcome conversion;
  if (folder.empty()) {
    conversion = library.processPalmFile(dump);
  } else {
    // From the backup's folder; calls never overlap, and the current folder
    // is given back at once.
    std::error_code ec;
    const std::filesystem::path before = std::filesystem::current_path(ec);
    std::filesystem::current_path(platform::utf8Path(folder), ec);
    conversion = ec ? LibraryOutcome{1, {}} : library.processPalmFile(dump);
    if (!ec) std::filesystem::current_path(before, ec);
    dump = joinPath(folder, dump);
  }
  if (!conversion.ok()) {
    user.libraryProblem(conversion.problem);
    return out;
  }
  out.code = conversion.value;
  if (conversion.value != kPalmDone) {
    user.tell(palmNotice(PalmNotice::ConversionFailed, backupName));
    out.stop = PalmStop::ConversionFailed;
    return out;
  }
  // Success must leave a new dump; the backup itself is never filed away.
  if (sameFile(dump, road.backup) || !platform::fileExists(dump)) {
    user.tell(palmNotice(PalmNotice::NotConverted, road.backup));
    out.stop = PalmStop::NotConverted;
    return out;
  }
  out.dump = dump;
  if (!road.fileAndExpand) {
    out.stop = PalmStop::Converted;
    return out;
  }

  const LibraryOutcome id = library.getUserId(dump, out.userId);
  if (!id.ok()) {
    user.libraryProblem(id.problem);
    out.stop = PalmStop::LibraryProblem;
    return out;
  }
  out.userIdRead = true;
  out.dumpName = palmDumpName(backupName);
  const std::string userFolder = joinPath(road.dataFolder, out.userId);
  makeFolderIfMissing(userFolder);
  const std::string target = joinPath(userFolder, out.dumpName);

  bool overwrote = false;
  if (!sameFile(dump, target)) {
    if (pathExists(target)) {
      const Message question{frontend::messages::palmMessage(PalmNotice::OverwriteQuestion, out.dumpName, out.userId),
                             frontend::messages::kPalmTitle, MessageIcon::None};
      if (!user.ask(Question::OverwriteDump, question)) {
        out.stop = PalmStop::Declined;
        out.code = kDumpNotFiled;
        return out;
      }
      removeForOverwrite(target);
      overwrote = true;
    }
    if (!moveWithoutReplacing(dump, target)) {
      user.tell(palmNotice(PalmNotice::NotMoved, out.dumpName, out.userId));
      out.stop = PalmStop::NotMoved;
      out.code = kDumpNotFiled;
      return out;
    }
  }
  out.dump = target;
  user.step(Step::DumpFiled, target);
  if (id.value != kUserIdFound) {
    user.tell(palmNotice(PalmNotice::NoUserId, out.dumpName, out.userId));
    out.stop = PalmStop::NoUserId;
    out.code = id.value;
    return out;
  }
  // Whoever just agreed to replace the old dump needs no notice that the
  // new one is expanded.
  if (!overwrote) user.tell(palmNotice(PalmNotice::AboutToExpand, out.dumpName, out.userId));

  const LibraryOutcome expand = *expandAsking(library, user, target, road.dataFolder, frontend::messages::kPalmTitle, false);
  if (!expand.ok()) {
    user.libraryProblem(expand.problem);
    out.stop = PalmStop::LibraryProblem;
    return out;
  }
  out.stop = PalmStop::Expanded;
  out.code = expand.value;
  user.expanded(target, expand.value,
                {frontend::messages::expandMessage(expand.value, target), frontend::messages::kInformationTitle,
                 MessageIcon::Exclamation});
  if (expand.value == kExpandOk && user.ask(Question::DeleteBackup, {})) platform::removeFile(road.backup);
  return out;
}

ArchiveOutcome runArchiveRoad(FlightLibrary& library, RoadUser& user, const ArchiveRoad& road) {
  ArchiveOutcome out;
  out.dump = road.dump;
  const std::string name = fileNameOf(road.dump);
  const LibraryOutcome id = library.getUserId(road.dump, out.userId);
  if (!id.ok()) {
    user.libraryProblem(id.problem);
    return out;
  }
  out.userIdRead = true;
  out.userFolder = joinPath(road.dataFolder, out.userId);
  const std::string target = joinPath(out.userFolder, name);

  // A data folder spelled otherwise than the chosen path still names the
  // same file: nothing to move, and no "old copy" to delete.
  if (road.dump != target && !sameFile(road.dump, target)) {
    const Message move{frontend::messages::archiveMessage(ArchiveNotice::MoveQuestion, road.dump, out.userFolder, id.value == kUserIdFound),
                       frontend::messages::kArchiveFileTitle, MessageIcon::None};
    if (!user.ask(Question::MoveIntoUserFolder, move)) {
      out.stop = ArchiveStop::Declined;
      return out;
    }
    if (pathExists(target)) {
      const Message overwrite{frontend::messages::archiveMessage(ArchiveNotice::OverwriteQuestion, target),
                              frontend::messages::kProgramTitle, MessageIcon::None};
      if (!user.ask(Question::OverwriteDump, overwrite)) {
        out.stop = ArchiveStop::Declined;
        return out;
      }
      removeForOverwrite(target);
    }
    makeFolderIfMissing(out.userFolder);
    if (!moveWithoutReplacing(road.dump, target)) {
      user.tell({frontend::messages::archiveMessage(ArchiveNotice::NotMoved, name, out.userFolder), frontend::messages::kArchivesTitle,
                 MessageIcon::Exclamation});
      out.stop = ArchiveStop::NotMoved;
      return out;
    }
    out.dump = target;
  }

  if (id.value != kUserIdFound) {
    user.tell({frontend::messages::archiveMessage(ArchiveNotice::NoUserId, name), frontend::messages::kProgramTitle, MessageIcon::None});
    out.stop = ArchiveStop::NoUserId;
    out.code = id.value;
    return out;
  }

  // Expanding a dump again writes second copies of its flights: asked first.
  const std::optional<LibraryOutcome> asked =
      expandAsking(library, user, out.dump, road.dataFolder, frontend::messages::kArchivesTitle, true);
  if (!asked) {
    out.stop = ArchiveStop::Declined;
    return out;
  }
  const LibraryOutcome& expand = *asked;
  if (!expand.ok()) {
    user.libraryProblem(expand.problem);
    out.stop = ArchiveStop::LibraryProblem;
    return out;
  }
  out.stop = ArchiveStop::Expanded;
  out.code = expand.value;
  user.expanded(out.dump, expand.value,
                {frontend::messages::expandMessage(expand.value, name), frontend::messages::kArchivesTitle, MessageIcon::Exclamation});
  return out;
}

}  // namespace varnix::frontend
