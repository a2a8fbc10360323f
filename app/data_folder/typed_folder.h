// SPDX-License-Identifier: GPL-3.0-or-later
// The checks on a data folder that the user types: where the colon and the
// first separator must stand, the trailing separator, and the one missing
// folder level that may be created. Windows rules: "D:", "D:\Data"; POSIX
// rules: an absolute path.
#pragma once

#include <QString>

namespace varnix::app {

enum class PathRules { Windows, Posix };

#ifdef _WIN32
inline constexpr PathRules kSystemPathRules = PathRules::Windows;
#else
inline constexpr PathRules kSystemPathRules = PathRules::Posix;
#endif

struct TypedFolder {
  enum Verdict { Empty, NotCorrect, Accepted };
  Verdict verdict = Empty;
  // NotCorrect: the typed text, blanks stripped (for the message).
  // Accepted: the folder to apply, without a trailing separator (a Windows
  // drive root D:\ becomes D:; the POSIX root stays "/").
  QString path;
  bool onDriveA = false;  // Windows: the path is on drive A (ask first)
};

TypedFolder checkTypedFolder(const QString& text, PathRules rules = kSystemPathRules);

enum class FolderOutcome {
  Ready,           // the folder exists or was created
  InvalidPath,     // its parent folder is missing
  CouldNotCreate,  // creating it failed, or a file of that name is in the way
};

// Makes sure that `path` (as checkTypedFolder accepted it) is a folder,
// creating one missing level.
FolderOutcome ensureDataFolder(const QString& path, PathRules rules = kSystemPathRules);

}  // namespace varnix::app
