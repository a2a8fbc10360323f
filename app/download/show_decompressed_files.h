// SPDX-License-Identifier: GPL-3.0-or-later
// Lists the flight files of a finished expansion on the archive screen,
// retitled "View New Decompressed Files".
#pragma once

#include <QString>

namespace varnix::app::modStatusBar {

// `path`: the full path of the expanded .DAT (trailing NULs allowed).
void ShowDecompressedFiles(const QString& path);

}  // namespace varnix::app::modStatusBar
