// SPDX-License-Identifier: GPL-3.0-or-later
// Paths and ids as the program's C++ side takes them: UTF-8 on every system
// (the platform layer converts at the system's calls; only app/binding hands
// the loaded library's exports the ANSI code page they take on Windows). A
// name that is not valid UTF-8 (a file copied from an older system) keeps
// its bytes: each byte that is no part of a valid sequence becomes
// U+DC80..U+DCFF in the QString and turns back into that byte, so such a
// file can be listed, chosen and handed to the library.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdio>
#include <string>

namespace varnix::render {

std::string toLibraryText(const QString& text);
QString fromLibraryText(const std::string& text);

// `text` as it can be shown: each kept byte as U+FFFD.
QString shownName(const QString& text);

// The names of the files (hidden ones too, no folders) in `folder`.
QStringList fileNamesIn(const QString& folder);

// Opens the file at `path` as fopen does, by its bytes.
std::FILE* openByBytes(const QString& path, const char* mode);

}  // namespace varnix::render

// The desktop program's windows call them by their short names.
namespace varnix::app {
using render::fileNamesIn;
using render::fromLibraryText;
using render::openByBytes;
using render::shownName;
using render::toLibraryText;
}  // namespace varnix::app
