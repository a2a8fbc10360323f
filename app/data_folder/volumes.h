// SPDX-License-Identifier: GPL-3.0-or-later
// What the drive list offers: the drives on Windows, the mounted volumes
// elsewhere ("/" first).
#pragma once

#include <QList>
#include <QString>

namespace varnix::app {

struct Volume {
  QString entry;  // as the drive list shows it ("C:", "/media/stick")
  QString root;   // the folder the volume starts at ("C:\", "/media/stick")
};

QList<Volume> systemVolumes();

// The volume that holds `path` (Windows: its drive letter; elsewhere the
// volume with the longest root that contains it); -1 when none does.
int volumeOf(const QList<Volume>& volumes, const QString& path);

}  // namespace varnix::app
