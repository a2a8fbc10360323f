// SPDX-License-Identifier: GPL-3.0-or-later
// The line under the flight files of a finished expansion that says what is
// new: the flights per aircraft and their findings, found off the GUI
// thread, with "Open logbook" at those flights.
#pragma once

#include <QStringList>

namespace varnix::app {

class FrmArchives;

namespace modStatusBar {

// `files`: the written flight files, relative to `dataFolder` (the aircraft
// folder first). The page's line fills in when they have been read.
void ShowNewFlights(FrmArchives& page, const QString& dataFolder, const QStringList& files);

}  // namespace modStatusBar
}  // namespace varnix::app
