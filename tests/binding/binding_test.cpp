// SPDX-License-Identifier: GPL-3.0-or-later
// The program's binding to the flight data library: buffers, loading by
// name, missing files and functions, and calls that run off the
// user-interface thread.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMouseEvent>
#include <QPushButton>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QtTest>

#include "app/binding/library_buffers.h"
#include "app/binding/varnix_library.h"
#include "app/binding/worker_call.h"
#include "platform/platform.h"
#include "support/dump_builder.h"

using namespace varnix::app;

namespace {

// Folders set by CMake: the real library beside this program, the stand-in
// library in a folder of its own.
QString fakeLibraryFolder() { return QStringLiteral(VARNIX_FAKE_LIBRARY_DIR); }

}  // namespace

class BindingTest : public QObject {
  Q_OBJECT

 private slots:
  // First: once a library of that name is loaded, the system's search
  // answers with it.
  void fallsBackToTheSystemSearch();
  void buffersHaveTheirFixedShapes();
  void loadsFromTheProgramFolderAndCallsGetUserId();
  void unloadableLibraryIsReportedByFileName();
  void missingFunctionIsReportedAndOthersStillWork();
  void callsRunOffTheUiThreadWithInputSwallowed();
  void loadsFromTheInstalledLibraryFolder();
};

void BindingTest::buffersHaveTheirFixedShapes() {
  const std::string sep(1, varnix::platform::kPathSeparator);

  const std::string folder = folderBuffer("/data/VX");
  QCOMPARE(folder.size(), kPathBufferLength);
  QCOMPARE(folder.substr(0, 9), "/data/VX" + sep);
  QVERIFY(folder.find_first_not_of(' ', 9) == std::string::npos);

  // A data folder too long for 200 characters is kept whole, never cut.
  const std::string longFolder(250, 'd');
  QCOMPARE(folderBuffer(longFolder), longFolder + sep);

  const std::string path = pathBuffer("/x/F1.DAT");
  QCOMPARE(path.size(), kPathBufferLength);
  QCOMPARE(textBeforeNul(path), std::string("/x/F1.DAT"));
  QCOMPARE(pathBuffer().find_first_not_of('\0'), std::string::npos);

  QCOMPARE(idBuffer(), std::string(kIdBufferLength, '\0'));
  std::string id = idBuffer();
  id.replace(0, 9, "  N123AB ");
  QCOMPARE(userIdFrom(id), std::string("N123AB"));
  // An id that fills every character without a NUL is still read whole.
  QCOMPARE(userIdFrom(std::string(kIdBufferLength, 'Z')), std::string(kIdBufferLength, 'Z'));
  QCOMPARE(userIdFrom(idBuffer()), std::string());
}

void BindingTest::loadsFromTheProgramFolderAndCallsGetUserId() {
  varnix::test::TempDir dir;
  varnix::test::DumpBuilder().line("U,N123AB").line("L,0").closing().writeTo(dir.file("R1.DAT"));

  VarnixLibrary library(QCoreApplication::applicationDirPath());
  QVERIFY(library.loadedFrom().isEmpty());  // nothing loaded before the first call
  std::string file = pathBuffer(dir.file("R1.DAT"));
  std::string id = idBuffer();
  const LibraryCall call = library.GetUserID(file, id);
  QVERIFY2(call.done(), qPrintable(call.problem));
  QCOMPARE(call.code, 0);
  QCOMPARE(userIdFrom(id), std::string("N123AB"));
  QCOMPARE(QFileInfo(library.loadedFrom()).absolutePath(), QCoreApplication::applicationDirPath());

  std::string missing = pathBuffer(dir.file("none.DAT"));
  id = idBuffer();
  QCOMPARE(library.GetUserID(missing, id).code, 1);
  QCOMPARE(userIdFrom(id), std::string("BadData"));
}

void BindingTest::fallsBackToTheSystemSearch() {
  // An empty program folder: the library is found on the system's library
  // path, which ctest points at the stand-in.
  QTemporaryDir empty;
  VarnixLibrary library(empty.path());
  std::string file = pathBuffer("x.DAT");
  std::string id = idBuffer();
  const LibraryCall call = library.GetUserID(file, id);
  QVERIFY2(call.done(), qPrintable(call.problem));
  QCOMPARE(call.code, 42);
  QCOMPARE(userIdFrom(id), std::string("FAKE"));
}

void BindingTest::unloadableLibraryIsReportedByFileName() {
  QTemporaryDir folder;
  QFile broken(QDir(folder.path()).filePath(VarnixLibrary::fileName()));
  QVERIFY(broken.open(QIODevice::WriteOnly));
  broken.write("not a library");
  broken.close();

  VarnixLibrary library(folder.path());
  std::string file = pathBuffer("x.DAT");
  std::string folderArg = folderBuffer("/data");
  for (int attempt = 0; attempt < 2; ++attempt) {  // tried again at the next call
    const LibraryCall call = library.ExpandDataFile(file, folderArg);
    QCOMPARE(call.status, LibraryCall::Status::Unavailable);
    QVERIFY2(call.problem.contains(QStringLiteral("'%1'").arg(VarnixLibrary::fileName())), qPrintable(call.problem));
  }
}

void BindingTest::missingFunctionIsReportedAndOthersStillWork() {
  VarnixLibrary library(fakeLibraryFolder());
  std::string file = pathBuffer("x.PDB");
  LibraryCall call = library.ProcessPalmFile(file);
  QCOMPARE(call.status, LibraryCall::Status::Unavailable);
  QVERIFY(call.problem.contains(QStringLiteral("'ProcessPalmFile'")));
  QVERIFY(call.problem.contains(QDir::toNativeSeparators(fakeLibraryFolder())));

  std::string folderArg = folderBuffer("/data");
  call = library.ExpandDataFile(file, folderArg);
  QCOMPARE(call.status, LibraryCall::Status::Unavailable);
  QVERIFY(call.problem.contains(QStringLiteral("'ExpandDataFile'")));

  // The stand-in reports the folder argument's length and fills the whole
  // path buffer: the program's buffers are as long as the library assumes.
  std::string fileBuf = pathBuffer();
  call = library.DataDownload(fileBuf, folderArg);
  QVERIFY2(call.done(), qPrintable(call.problem));
  QCOMPARE(call.code, int(kPathBufferLength));
  QCOMPARE(textBeforeNul(fileBuf), std::string("written"));
}

void BindingTest::callsRunOffTheUiThreadWithInputSwallowed() {
  QPushButton button(QStringLiteral("Start"));
  int clicks = 0;
  connect(&button, &QPushButton::clicked, [&clicks] { ++clicks; });
  button.show();
  const auto click = [&button] {
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), button.mapToGlobal(QPointF(5, 5)), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(5, 5), button.mapToGlobal(QPointF(5, 5)), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&button, &press);
    QApplication::sendEvent(&button, &release);
  };

  VarnixLibrary library(QCoreApplication::applicationDirPath());
  QSemaphore uiThreadRan;
  QThread* callThread = nullptr;
  LibraryCall nested;
  bool hourglass = false;
  // The user-interface thread runs this while the call below is waiting
  // for it: the program keeps handling events during a call.
  QTimer::singleShot(0, this, [&] {
    click();
    hourglass = QGuiApplication::overrideCursor() && QGuiApplication::overrideCursor()->shape() == Qt::WaitCursor;
    std::string file = pathBuffer("x.DAT");
    std::string id = idBuffer();
    nested = library.GetUserID(file, id);
    uiThreadRan.release();
  });
  const int result = runOffUiThread([&] {
    callThread = QThread::currentThread();
    uiThreadRan.acquire();
    return 7;
  });
  QCOMPARE(result, 7);
  QVERIFY(callThread != QThread::currentThread());
  QCOMPARE(clicks, 0);  // input during the call was swallowed
  QVERIFY(hourglass);
  QCOMPARE(nested.status, LibraryCall::Status::Busy);  // calls never overlap
  QVERIFY(!libraryCallRunning());
  QVERIFY(QGuiApplication::overrideCursor() == nullptr);

  click();  // and reaches the screen again afterwards
  QCOMPARE(clicks, 1);
}

void BindingTest::loadsFromTheInstalledLibraryFolder() {
#ifdef VARNIX_INSTALLED_LIBRARY_FOLDER
  // Installed, the program lies in bin/ and the library in lib/ (or
  // lib/<multiarch>/), never beside it.
  QTemporaryDir root;
  const QString program = QDir(root.path()).filePath(QStringLiteral("bin"));
  const QString libraries =
      QDir::cleanPath(QDir(program).filePath(QStringLiteral(VARNIX_INSTALLED_LIBRARY_FOLDER)));
  QVERIFY(QDir().mkpath(program) && QDir().mkpath(libraries));
  QVERIFY(QFile::copy(QDir(QCoreApplication::applicationDirPath()).filePath(VarnixLibrary::fileName()),
                      QDir(libraries).filePath(VarnixLibrary::fileName())));

  varnix::test::TempDir dir;
  varnix::test::DumpBuilder().line("U,N123AB").line("L,0").closing().writeTo(dir.file("R1.DAT"));
  VarnixLibrary library(program);
  std::string file = pathBuffer(dir.file("R1.DAT"));
  std::string id = idBuffer();
  const LibraryCall call = library.GetUserID(file, id);
  QVERIFY2(call.done(), qPrintable(call.problem));
  QCOMPARE(userIdFrom(id), std::string("N123AB"));
  QCOMPARE(QFileInfo(library.loadedFrom()).absolutePath(), libraries);
#endif
}

QTEST_MAIN(BindingTest)
#include "binding_test.moc"
