// SPDX-License-Identifier: GPL-3.0-or-later
// Paths and file moves that the roads share. Paths are 8-bit texts in the
// system's code page, as the library takes them.
#pragma once

#include <string>
#include <vector>

namespace varnix::frontend {

// The text after the last path separator (all of it when there is none).
std::string fileNameOf(const std::string& path);

// `folder` + one separator + `name`; no second separator when `folder`
// ends with one, and just `name` when `folder` is empty.
std::string joinPath(const std::string& folder, const std::string& name);

// `text` without blanks at either end.
std::string trimBlanks(const std::string& text);

// True when both paths name the same existing file or folder.
bool sameFile(const std::string& a, const std::string& b);

// True when something (a file or a folder) is at `path`.
bool pathExists(const std::string& path);

// Moves `from` to `to` and never replaces anything at `to`; across file
// systems the file is copied and the original removed.
bool moveWithoutReplacing(const std::string& from, const std::string& to);

// The library judges a Palm backup by the first "." of the path it is
// handed, so a folder whose name holds one ("/home/first.last/", "./")
// would hide the file's own. Then the path to hand it is the file name
// alone, to be converted from `folder` (the backup's folder); otherwise the
// path itself, and `folder` is empty.
std::string convertiblePath(const std::string& backup, std::string& folder);

// The dump name of a Palm backup's file name: up to and including its first
// ".", then "DAT".
std::string palmDumpName(const std::string& backupName);

// The lines (without CR LF) of a dump's flight index; none when it has no
// index path or the index cannot be read.
std::vector<std::string> indexLines(const std::string& dump);

}  // namespace varnix::frontend
