// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/download/show_decompressed_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>

#include "app/shared/flow_helpers.h"
#include "app/archives/frm_archives.h"
#include "app/archives/listing_procedures.h"
#include "app/data_folder/folder_browser.h"
#include "app/download/new_flights_panel.h"
#include "app/shared/message_box.h"
#include "app/shared/text_lines.h"

namespace varnix::app::modStatusBar {

namespace {

// The flights the index lines name, in the user folder the dump lies in.
void showNewFlightsOf(FrmArchives& page, const QString& userFolder, const QStringList& lines) {
  QDir data(userFolder);
  const QString aircraft = data.dirName();
  if (!data.cdUp()) return;
  QStringList files;
  for (const QString& line : lines)
    if (const QString file = FlightFileOfLine(line); !file.isEmpty()) files << aircraft + QLatin1Char('/') + file;
  ShowNewFlights(page, data.path(), files);
}

}  // namespace

void ShowDecompressedFiles(const QString& givenPath) {
  QString path = givenPath;
  const qsizetype nul = path.indexOf(QChar(0));
  if (nul >= 0) path.truncate(nul);

  // A path that names no .DAT in an existing folder lists nothing.
  const QString name = fileNameOf(path);
  const std::optional<QString> index = indexFileOf(path);
  const QString folder = path.left(path.size() - name.size());
  if (!index || folder.isEmpty()) return;

  FrmArchives& archives = forms::get<FrmArchives>();
  if (!archives.browser()->setFolder(folder)) return;
  const QString dumpName = fileNameOf(index->left(index->size() - 3) + QStringLiteral("DAT"));
  archives.label1()->setText(QStringLiteral("The following files decompressed from: ") + dumpName);

  if (!QFileInfo::exists(*index)) return;
  const std::optional<QStringList> lines = readTextLines(*index);
  if (!lines) return;
  archives.lstFiles()->clear();
  archives.lstFiles()->addItems(*lines);
  archives.setWindowTitle(QStringLiteral("View New Decompressed Files"));
  archives.show();

  // Only the first flight file's name tells of old flight files: a dump and
  // its index that end in "AZ" are the 53rd download of a day, nothing more.
  if (!lines->isEmpty() && !lines->first().isEmpty()) {
    showNewFlightsOf(archives, folder, *lines);
    QString first = lines->first();
    QString word = SecondWord(first);
    WarnMultipleFlightFile(word);
  } else {
    MsgBox(QStringLiteral("No data was decompressed."), QStringLiteral("Decompress Archives Info"),
           MsgIcon::Exclamation);
    // Only an index that lists nothing at all is removed.
    if (lines->join(QString()).trimmed().isEmpty()) QFile::remove(*index);
  }
}

}  // namespace varnix::app::modStatusBar
