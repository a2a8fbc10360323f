// SPDX-License-Identifier: GPL-3.0-or-later
// Qt's writers (QPdfWriter, QSvgGenerator, QImage::save) over the one write
// policy of platform/output_file.h: what they write goes into a temporary
// file beside the target, and only a file whose every write, flush and
// close succeeded is renamed into place. Pictures and reports go through it.
#pragma once

#include <QIODevice>
#include <QString>
#include <functional>

#include "platform/output_file.h"

namespace varnix::render {

struct WholeFile {
  enum class Code {
    Written,
    NameTaken,    // NeverReplace, and the name was taken when the file was complete
    CannotWrite,  // nothing at the target changed
  };
  Code code = Code::Written;
  int error = 0;  // the system's error number of the failure

  bool written() const { return code == Code::Written; }
  // "<path>: <reason>", for the line under a message.
  QString reason(const QString& path) const;
};

// Writes `path` whole or not at all: `write` gets a device open on the
// temporary file and answers whether what it wrote is good (a painter that
// ended, an image that saved).
WholeFile writeWholeFile(const QString& path, platform::ReplacingFile::Mode mode,
                         const std::function<bool(QIODevice&)>& write);

}  // namespace varnix::render
