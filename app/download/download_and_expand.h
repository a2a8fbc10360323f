// SPDX-License-Identifier: GPL-3.0-or-later
// The program's main road: download a dump, expand it, list its flights
// and remember its user id.
#pragma once

namespace varnix::app::modStatusBar {

// Called by the download screen's Start button.
void DownloadAndExpand();

}  // namespace varnix::app::modStatusBar
