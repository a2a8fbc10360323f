// SPDX-License-Identifier: GPL-3.0-or-later
// Small helpers that the archive, download and Palm screens share around
// their library calls.
#pragma once

#include <QString>
#include <optional>
#include <string>

#include "render/library_text.h"

namespace varnix::app {

struct LibraryCall;

// Shows what kept a call from running (the library missing, a function
// missing, a call still running) and returns true; false when it ran.
bool reportLibraryProblem(const LibraryCall& call);

// The file name of `path`: the text after its last separator.
QString fileNameOf(const QString& path);

// The index file of a dump: its path up to and including the last "." of
// its file name, then "TXT". None when the file name holds no ".".
std::optional<QString> indexFileOf(const QString& dumpPath);

// Moves `from` to `to` (no file may be at `to`); false when it fails.
bool moveFile(const QString& from, const QString& to);

// True when both paths name the same existing file.
bool sameFile(const QString& a, const QString& b);

}  // namespace varnix::app
