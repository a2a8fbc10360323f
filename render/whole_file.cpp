// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/whole_file.h"

#include <QFile>
#include <cerrno>

#include "render/library_text.h"

namespace varnix::render {

QString WholeFile::reason(const QString& path) const {
  return QString::fromStdString(platform::failureText(toLibraryText(path), error));
}

WholeFile writeWholeFile(const QString& path, platform::ReplacingFile::Mode mode,
                         const std::function<bool(QIODevice&)>& write) {
  using Code = WholeFile::Code;
  platform::ReplacingFile out(toLibraryText(path), mode);
  if (!out.file()) return {Code::CannotWrite, out.error()};
  bool ok = true;
  int error = 0;
  {
    // Qt writes through its own buffer into the stream; the stream stays
    // open for the commit.
    QFile device;
    if (!device.open(out.file(), QIODevice::WriteOnly, QFileDevice::DontCloseHandle)) return {Code::CannotWrite, EIO};
    errno = 0;
    ok = write(device);
    if (!ok) error = errno;
    if (ok && (!device.flush() || device.error() != QFileDevice::NoError)) {
      ok = false;
      error = errno;
    }
    device.close();
  }
  if (!ok) return {Code::CannotWrite, error ? error : EIO};  // the temporary goes with `out`
  if (!out.commit()) return {out.error() == EEXIST ? Code::NameTaken : Code::CannotWrite, out.error()};
  return {};
}

}  // namespace varnix::render
