// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/binding/loaded_library.h"

#include <algorithm>

#include "app/binding/library_buffers.h"
#include "varnix/varnix.h"

namespace varnix::app {

namespace {

constexpr std::size_t kDownloadPathBuffer = 4096;

frontend::LibraryOutcome outcomeOf(const LibraryCall& call) {
  if (!call.done()) return frontend::LibraryOutcome::failed(call.problem.toStdString());
  return {call.code, {}};
}

}  // namespace

frontend::LibraryOutcome LoadedLibrary::dataDownload(const std::string& dataFolder, std::string& dump,
                                                     const DownloadHook& progress) {
  // A buffer that any path fits: the library never has to answer 14 here.
  std::string fileBuf(kDownloadPathBuffer, '\0');
  std::string folderBuf = folderBuffer(dataFolder);
  const LibraryCall call = library_.DataDownloadProgress(fileBuf, folderBuf, progress, responsive);
  dump = call.done() ? programPath(textBeforeNul(fileBuf)) : std::string();
  return outcomeOf(call);
}

frontend::LibraryOutcome LoadedLibrary::expandDataFile(const std::string& dump, const std::string& dataFolder,
                                                       bool recover) {
  std::string fileBuf = pathBuffer(dump);
  std::string folderBuf = folderBuffer(dataFolder);
  return outcomeOf(recover ? library_.ExpandDataFileEx(fileBuf, folderBuf, VARNIX_EXPAND_RECOVER)
                           : library_.ExpandDataFile(fileBuf, folderBuf));
}

frontend::LibraryOutcome LoadedLibrary::previewExpandDataFile(const std::string& dump, const std::string& dataFolder,
                                                            bool recover, ExpandPreview& preview) {
  std::string fileBuf = pathBuffer(dump);
  std::string folderBuf = folderBuffer(dataFolder);
  VarnixExpandPreview found{};
  const LibraryCall call =
      library_.ExpandDataFilePreview(fileBuf, folderBuf, recover ? VARNIX_EXPAND_RECOVER : 0, found);
  preview = ExpandPreview{};
  if (call.done()) {
    preview.recoverable = found.recoverable > 0 ? static_cast<std::size_t>(found.recoverable) : 0;
    const int count = std::clamp(found.alreadyThereCount, 0, VARNIX_MAX_FLIGHTS);
    preview.alreadyThere.assign(found.alreadyThere, found.alreadyThere + count);
  }
  return outcomeOf(call);
}

frontend::LibraryOutcome LoadedLibrary::processPalmFile(std::string& path) {
  std::string pathBuf = pathBuffer(path);
  const LibraryCall call = library_.ProcessPalmFile(pathBuf);
  if (call.done()) path = programPath(textBeforeNul(pathBuf));
  return outcomeOf(call);
}

frontend::LibraryOutcome LoadedLibrary::getUserId(const std::string& dump, std::string& id) {
  std::string fileBuf = pathBuffer(dump);
  std::string idBuf = idBuffer();
  const LibraryCall call = library_.GetUserID(fileBuf, idBuf);
  id = call.done() ? userIdFrom(idBuf) : std::string();
  return outcomeOf(call);
}

}  // namespace varnix::app
