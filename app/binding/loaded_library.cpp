// SPDX-License-Identifier: GPL-3.0-or-later
#include "binding/loaded_library.h"

#include "binding/library_buffers.h"

namespace varnix::app {

namespace {

frontend::LibraryOutcome outcomeOf(const LibraryCall& call) {
  return {call.done(), call.code, call.problem.toLocal8Bit().toStdString()};
}

}  // namespace

frontend::LibraryOutcome LoadedLibrary::dataDownload(const std::string& dataFolder, std::string& dump) {
  std::string fileBuf = pathBuffer();
  std::string folderBuf = folderBuffer(dataFolder);
  const LibraryCall call = library_.DataDownload(fileBuf, folderBuf);
  dump = call.done() ? textBeforeNul(fileBuf) : std::string();
  return outcomeOf(call);
}

frontend::LibraryOutcome LoadedLibrary::expandDataFile(const std::string& dump, const std::string& dataFolder) {
  std::string fileBuf = pathBuffer(dump);
  std::string folderBuf = folderBuffer(dataFolder);
  return outcomeOf(library_.ExpandDataFile(fileBuf, folderBuf));
}

frontend::LibraryOutcome LoadedLibrary::processPalmFile(std::string& path) {
  std::string pathBuf = pathBuffer(path);
  const LibraryCall call = library_.ProcessPalmFile(pathBuf);
  if (call.done()) path = textBeforeNul(pathBuf);
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
