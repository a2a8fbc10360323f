// SPDX-License-Identifier: GPL-3.0-or-later
// The program's binding to the flight data library: the library file is
// loaded by name at the first call of one of its functions (from the
// program folder first, then from the library folder of an installation,
// then by the system's own library search), each
// function is looked up by name, and every call runs off the user-interface
// thread (worker_call.h), one at a time.
#pragma once

#include <QLibrary>
#include <QString>
#include <QStringList>
#include <functional>
#include <string>

#include "core/download.h"

class QWidget;
struct VarnixExpandPreview;

namespace varnix::app {

// The outcome of one call through the binding.
struct LibraryCall {
  enum class Status {
    Done,         // the function ran; `code` is its result
    Unavailable,  // the library or the function could not be found
    Busy,         // another library call is still running
  };
  Status status = Status::Done;
  int code = 0;
  QString problem;  // when not Done: what went wrong, naming the file

  bool done() const { return status == Status::Done; }
};

class VarnixLibrary {
 public:
  // The library's file name on this system ("Varnix.dll", "libvarnix.so").
  static QString fileName();

  // `programFolder` is searched first.
  explicit VarnixLibrary(QString programFolder);
  VarnixLibrary(const VarnixLibrary&) = delete;
  VarnixLibrary& operator=(const VarnixLibrary&) = delete;

  // Each buffer is passed as it stands (see library_buffers.h) and holds
  // whatever the library wrote into it afterwards.
  LibraryCall DataDownload(std::string& fileBuf, std::string& folderBuf);
  // DataDownloadProgress, with the size of `fileBuf`. `progress` runs on
  // the worker thread; returning true stops the download. `responsive`
  // keeps taking input meanwhile (see runOffUiThread). A library without
  // the function downloads through DataDownload, without progress.
  using DownloadHook = std::function<bool(const DownloadProgress&)>;
  LibraryCall DataDownloadProgress(std::string& fileBuf, std::string& folderBuf, DownloadHook progress,
                                   QWidget* responsive);
  LibraryCall ExpandDataFile(std::string& fileBuf, std::string& folderBuf);
  // ExpandDataFile with an options word (VARNIX_EXPAND_RECOVER); a library
  // without the function cannot run it.
  LibraryCall ExpandDataFileEx(std::string& fileBuf, std::string& folderBuf, int options);
  // ExpandDataFilePreview: `preview` receives what the expansion would
  // write; a library without the function cannot run it.
  LibraryCall ExpandDataFilePreview(std::string& fileBuf, std::string& folderBuf, int options,
                                    VarnixExpandPreview& preview);
  LibraryCall ProcessPalmFile(std::string& pathBuf);
  LibraryCall GetUserID(std::string& fileBuf, std::string& idBuf);

  // The file it was loaded from; empty before the first successful load.
  QString loadedFrom() const;

 private:
  // Where the library file is looked for before the system's search.
  QStringList searchFolders() const;
  QFunctionPointer resolve(const char* function, LibraryCall& outcome);
  LibraryCall callTwo(const char* function, std::string& first, std::string& second);
  static bool refusedWhileBusy(LibraryCall& outcome);

  QString programFolder_;
  QLibrary library_;
};

// The program's binding, searching the program folder first.
VarnixLibrary& programLibrary();

}  // namespace varnix::app
