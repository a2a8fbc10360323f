// SPDX-License-Identifier: GPL-3.0-or-later
#include "binding/varnix_library.h"

#include <QDir>
#include <QFileInfo>
#include <utility>

#include "binding/worker_call.h"
#include "platform/platform.h"
#include "varnix/varnix.h"

namespace varnix::app {

namespace {

using TwoTexts = int(VARNIX_CALL*)(char*, char*);
using OneText = int(VARNIX_CALL*)(char*);

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

LibraryCall VarnixLibrary::callTwo(const char* function, std::string& first, std::string& second) {
  LibraryCall outcome;
  if (libraryCallRunning()) {
    outcome.status = LibraryCall::Status::Busy;
    outcome.problem = QStringLiteral("The flight data library is still busy with another task.");
    return outcome;
  }
  const auto entry = reinterpret_cast<TwoTexts>(resolve(function, outcome));
  if (!entry) return outcome;
  outcome.code = runOffUiThread([&] { return entry(first.data(), second.data()); });
  return outcome;
}

LibraryCall VarnixLibrary::DataDownload(std::string& fileBuf, std::string& folderBuf) {
  ensureLength(fileBuf, VARNIX_PATH_BUFFER);
  return callTwo("DataDownload", fileBuf, folderBuf);
}

LibraryCall VarnixLibrary::ExpandDataFile(std::string& fileBuf, std::string& folderBuf) {
  return callTwo("ExpandDataFile", fileBuf, folderBuf);
}

LibraryCall VarnixLibrary::GetUserID(std::string& fileBuf, std::string& idBuf) {
  ensureLength(idBuf, VARNIX_ID_BUFFER);
  return callTwo("GetUserID", fileBuf, idBuf);
}

LibraryCall VarnixLibrary::ProcessPalmFile(std::string& pathBuf) {
  LibraryCall outcome;
  if (libraryCallRunning()) {
    outcome.status = LibraryCall::Status::Busy;
    outcome.problem = QStringLiteral("The flight data library is still busy with another task.");
    return outcome;
  }
  const auto entry = reinterpret_cast<OneText>(resolve("ProcessPalmFile", outcome));
  if (!entry) return outcome;
  ensureLength(pathBuf, VARNIX_PATH_BUFFER);
  outcome.code = runOffUiThread([&] { return entry(pathBuf.data()); });
  return outcome;
}

VarnixLibrary& programLibrary() {
  static VarnixLibrary library(QString::fromLocal8Bit(platform::programFolder()));
  return library;
}

}  // namespace varnix::app
