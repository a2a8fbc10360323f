// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace varnix::sim {

// varnix-sim make-dump -o FILE.DAT [--flights N] [--minutes M] [--cylinders 4|6]
// [--layout single|extended|twin] [--interval S] [--seed K] [--profile standard|cruise75|circuits|powered-descent] [--events lean,mag,valve,probe,hot]
// [event settings] [--drift-cylinder N --drift F] [--history DAYS] [--slow-change PROBE:F[:LAST]]...
// [--maintenance-injector C:DEGREES[:FLIGHT]] [--oil-rate QTPH] [--fuel-error PCT] (these three write a
// maintenance.csv beside the dump);
// argv[0] is "make-dump".
int makeDump(int argc, char** argv);

}  // namespace varnix::sim
