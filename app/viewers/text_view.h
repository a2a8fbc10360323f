// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a text file for the viewers: its lines, each followed by CR LF
// (a line ends at a CR or a CR LF pair; a last line without a line end
// gets one).
#pragma once

#include <QString>

namespace varnix::app {

struct ShownText {
  enum Status { Shown, CannotOpen, TooLarge };
  Status status = Shown;
  QString text;
};

ShownText readFileForDisplay(const QString& path);

// The bytes of a text file with every line ended by CR LF.
QByteArray withCrLfLineEnds(const QByteArray& bytes);

}  // namespace varnix::app
