// SPDX-License-Identifier: GPL-3.0-or-later
// What the tests of the archive, download and Palm screens share: a program
// folder (this test program's own, where the real library lies) and a fresh
// data folder, and dumps made from the bundled sample.
#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "app/app_test_support.h"
#include "support/dump_builder.h"

namespace varnix::app::test {

// Saves `widget` as a picture when VARNIX_SCREENSHOT_DIR names a folder.
inline void screenshot(QWidget* widget, const char* name) {
  const QString dir = qEnvironmentVariable("VARNIX_SCREENSHOT_DIR");
  if (dir.isEmpty() || !widget) return;
  widget->grab().save(QDir(dir).filePath(QString::fromLatin1(name)));
}

// The bundled sample dump: user id N123AB, flights 101 to 104.
inline QByteArray sampleDump() { return readAll(QStringLiteral(VARNIX_SAMPLE_DUMP)); }
inline const QStringList kSampleFlightFiles = {QStringLiteral("F00101.CSV"), QStringLiteral("F00102.CSV"),
                                               QStringLiteral("F00103.CSV"), QStringLiteral("F00104.CSV")};

// The sample with its first line replaced by a "$U" line carrying `userId`.
inline QByteArray sampleDumpWithId(const QString& userId) {
  QByteArray dump = sampleDump();
  const qsizetype end = dump.indexOf('\n');
  const std::string line = varnix::test::headerLine(("U," + userId).toStdString());
  return QByteArray::fromStdString(line) + dump.mid(end + 1);
}

// A program state for one test: the program folder is this test program's
// folder, the data folder a new temporary folder.
class ProgramFixture {
 public:
  ProgramFixture() {
    resetProgram();
    modStatusBar::AppFolder = QCoreApplication::applicationDirPath();
    modStatusBar::DataFolder = data.path();
  }
  ~ProgramFixture() {
    resetProgram();
    QFile::remove(appFile(QStringLiteral("VARNIX.CFG")));
    QFile::remove(appFile(QStringLiteral("TIMEOUT.CFG")));
    QFile::remove(appFile(QStringLiteral("VXuser.CFG")));
  }
  ProgramFixture(const ProgramFixture&) = delete;
  ProgramFixture& operator=(const ProgramFixture&) = delete;

  QString dataFile(const QString& relative) const { return QDir(data.path()).filePath(relative); }
  static QString appFile(const QString& name) { return QDir(QCoreApplication::applicationDirPath()).filePath(name); }

  QTemporaryDir data;
  PromptLog prompts;
};

}  // namespace varnix::app::test
