// SPDX-License-Identifier: GPL-3.0-or-later
// The two small procedures that the archive screen and the download road
// use on a dump's flight index.
#pragma once

#include <QString>

namespace varnix::app::modStatusBar {

// The ending that marks a flight file whose duplicate names ran out: the
// last of the 53 name suffixes that flight files are given.
inline const QString kMultipleFlightMarker = QStringLiteral("AZ");

// Strips the blanks around `name` (in place) and warns, under "Varnix
// Warning", when its stem (the name without its last four characters)
// ends with the multiple-flight marker. False when `name` is shorter than
// four characters, which the caller treats as an error.
bool WarnMultipleFlightFile(QString& name);

// The second blank-separated word of `line`, with one trailing blank; ""
// when no blank follows it. The result is also written back into `line`.
QString SecondWord(QString& line);

// The flight file name of an index line: the word after the first blank,
// up to the next blank (or the end). Empty when the line names none.
QString FlightFileOfLine(const QString& line);

}  // namespace varnix::app::modStatusBar
