// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/binding/varnix_library.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <utility>

#include "app/binding/worker_call.h"
#include "platform/platform.h"
#include "varnix/varnix.h"

namespace varnix::app {

namespace {

using TwoTexts = int(VARNIX_CALL*)(char*, char*);
using OneText = int(VARNIX_CALL*)(char*);
using TwoTextsAndOptions = int(VARNIX_CALL*)(char*, char*, int);
using WithPreview = int(VARNIX_CALL*)(char*, char*, int, VarnixExpandPreview*);
using WithProgress = int(VARNIX_CALL*)(char*, char*, int, VarnixProgress, void*);

// The library's callback: the hook behind `context`, on the worker thread.
int VARNIX_CALL relayProgress(void* context, int phase, long long received, long long expected, int msLeft) {
  const auto& hook = *static_cast<const VarnixLibrary::DownloadHook*>(context);
  DownloadProgress p;
  p.phase = static_cast<DownloadPhase>(phase);
  p.received = received > 0 ? static_cast<std::size_t>(received) : 0;
  p.expected = expected > 0 ? static_cast<std::uint64_t>(expected) : 0;
  p.msLeft = msLeft;
  return hook && hook(p) ? 1 : 0;
}

// A buffer the library may write into must be at least as long as the
// library assumes; it always ends with the std::string's own NUL.
void ensureLength(std::string& buffer, std::size_t length) {
  if (buffer.size() < length) buffer.resize(length, '\0');
}

}  // namespace

QString VarnixLibrary::fileName() {
#ifdef _WIN32
  return QStringLiteral("Varnix.dll");
#else
  return QStringLiteral("libvarnix.so");
#endif
}

VarnixLibrary::VarnixLibrary(QString programFolder) : programFolder_(std::move(programFolder)) {}

QStringList VarnixLibrary::searchFolders() const {
  QStringList folders{programFolder_};
#ifdef VARNIX_INSTALLED_LIBRARY_FOLDER
  folders << QDir::cleanPath(QDir(programFolder_).filePath(QStringLiteral(VARNIX_INSTALLED_LIBRARY_FOLDER)));
#endif
  return folders;
}

QString VarnixLibrary::loadedFrom() const { return library_.isLoaded() ? library_.fileName() : QString(); }

QFunctionPointer VarnixLibrary::resolve(const char* function, LibraryCall& outcome) {
  if (!library_.isLoaded()) {
    // The program folder first, then the installed library folder beside the
    // program's; then the system's own search by name.
    QString file = fileName();
    for (const QString& folder : searchFolders()) {
      const QString candidate = QDir(folder).filePath(fileName());
      if (QFileInfo::exists(candidate)) {
        file = candidate;
        break;
      }
    }
    library_.setFileName(file);
    if (!library_.load()) {
      outcome.status = LibraryCall::Status::Unavailable;
      outcome.problem = QStringLiteral("The flight data library '%1' could not be loaded from the program folder "
                                       "'%2' or the system's library folders (%3).")
                            .arg(fileName(), QDir::toNativeSeparators(programFolder_), library_.errorString());
      return nullptr;
    }
  }
  QFunctionPointer entry = library_.resolve(function);
  if (!entry) {
    outcome.status = LibraryCall::Status::Unavailable;
    outcome.problem = QStringLiteral("The flight data library '%1' has no function '%2'.")
                          .arg(QDir::toNativeSeparators(library_.fileName()), QString::fromLatin1(function));
  }
  return entry;
}

// One call at a time: another one still running makes this one Busy.
bool VarnixLibrary::refusedWhileBusy(LibraryCall& outcome) {
  if (!libraryCallRunning()) return false;
  outcome.status = LibraryCall::Status::Busy;
  outcome.problem = QStringLiteral("The flight data library is still busy with another task.");
  return true;
}

LibraryCall VarnixLibrary::callTwo(const char* function, std::string& first, std::string& second) {
  LibraryCall outcome;
  if (refusedWhileBusy(outcome)) return outcome;
  const auto entry = reinterpret_cast<TwoTexts>(resolve(function, outcome));
  if (!entry) return outcome;
  outcome.code = runOffUiThread([&] { return entry(first.data(), second.data()); });
  return outcome;
}

LibraryCall VarnixLibrary::DataDownload(std::string& fileBuf, std::string& folderBuf) {
  ensureLength(fileBuf, VARNIX_PATH_BUFFER);
  return callTwo("DataDownload", fileBuf, folderBuf);
}

LibraryCall VarnixLibrary::DataDownloadProgress(std::string& fileBuf, std::string& folderBuf, DownloadHook progress,
                                                QWidget* responsive) {
  ensureLength(fileBuf, VARNIX_PATH_BUFFER);
  LibraryCall outcome;
  if (refusedWhileBusy(outcome)) return outcome;
  if (!resolve("DataDownload", outcome)) return outcome;
  // An older library without the progress export still downloads.
  const auto entry = reinterpret_cast<WithProgress>(library_.resolve("DataDownloadProgress"));
  if (!entry) return callTwo("DataDownload", fileBuf, folderBuf);
  const int size = static_cast<int>(std::min<std::size_t>(fileBuf.size(), 1u << 30));
  outcome.code = runOffUiThread(
      [&] { return entry(fileBuf.data(), folderBuf.data(), size, relayProgress, &progress); }, responsive);
  return outcome;
}

LibraryCall VarnixLibrary::ExpandDataFile(std::string& fileBuf, std::string& folderBuf) {
  return callTwo("ExpandDataFile", fileBuf, folderBuf);
}

LibraryCall VarnixLibrary::ExpandDataFileEx(std::string& fileBuf, std::string& folderBuf, int options) {
  LibraryCall outcome;
  if (refusedWhileBusy(outcome)) return outcome;
  const auto entry = reinterpret_cast<TwoTextsAndOptions>(resolve("ExpandDataFileEx", outcome));
  if (!entry) return outcome;
  outcome.code = runOffUiThread([&] { return entry(fileBuf.data(), folderBuf.data(), options); });
  return outcome;
}

LibraryCall VarnixLibrary::ExpandDataFilePreview(std::string& fileBuf, std::string& folderBuf, int options,
                                                 VarnixExpandPreview& preview) {
  LibraryCall outcome;
  if (refusedWhileBusy(outcome)) return outcome;
  const auto entry = reinterpret_cast<WithPreview>(resolve("ExpandDataFilePreview", outcome));
  if (!entry) return outcome;
  outcome.code = runOffUiThread([&] { return entry(fileBuf.data(), folderBuf.data(), options, &preview); });
  return outcome;
}

LibraryCall VarnixLibrary::GetUserID(std::string& fileBuf, std::string& idBuf) {
  ensureLength(idBuf, VARNIX_ID_BUFFER);
  return callTwo("GetUserID", fileBuf, idBuf);
}

LibraryCall VarnixLibrary::ProcessPalmFile(std::string& pathBuf) {
  LibraryCall outcome;
  if (refusedWhileBusy(outcome)) return outcome;
  const auto entry = reinterpret_cast<OneText>(resolve("ProcessPalmFile", outcome));
  if (!entry) return outcome;
  ensureLength(pathBuf, VARNIX_PATH_BUFFER);
  outcome.code = runOffUiThread([&] { return entry(pathBuf.data()); });
  return outcome;
}

VarnixLibrary& programLibrary() {
  static VarnixLibrary library(QString::fromStdString(platform::programFolder()));
  return library;
}

}  // namespace varnix::app
