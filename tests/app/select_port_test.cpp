// SPDX-License-Identifier: GPL-3.0-or-later
// The port and baud-rate screen: reading back "VARNIX.CFG", the choice,
// the messages and the file it writes.
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

#include "app_test_support.h"
#include "app/main_menu/frm_varnix.h"
#include "app/select_port/frm_select_port.h"
#include "app/select_port/port_setting_line.h"
#include "app/select_port/serial_ports.h"
#include "app/select_port/windows_ports.h"

using namespace varnix::app;
using namespace varnix::app::test;

class SelectPortTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    resetProgram();
    app_.reset(new QTemporaryDir);
    modStatusBar::AppFolder = app_->path();
  }
  void cleanup() { resetProgram(); }

  void storedSettingIsReadBack_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("rate");
    QTest::addColumn<bool>("complete");
    QTest::newRow("COM3 19200") << QByteArray("COM3 19200\r\n") << "COM3" << "19200" << true;
    QTest::newRow("blanks around") << QByteArray("   COM1 19200   \r\nCOM2 9600\r\n") << "COM1" << "19200" << true;
    QTest::newRow("COM4 alone") << QByteArray("COM4\r\n") << "COM4" << "" << false;
    QTest::newRow("comma ends the field") << QByteArray("COM1,19200\r\n") << "COM1" << "" << false;
    QTest::newRow("device path") << QByteArray("/dev/ttyUSB0 19200\r\n") << "/dev/ttyUSB0" << "19200" << true;
    QTest::newRow("COM10") << QByteArray("COM10 9600") << "COM10" << "9600" << true;
    QTest::newRow("LF line end") << QByteArray("COM2 9600\n") << "COM2" << "9600" << true;
    QTest::newRow("empty") << QByteArray() << "" << "" << false;
  }
  void storedSettingIsReadBack() {
    QFETCH(QByteArray, file);
    const StoredPortChoice choice = parsePortSetting(file);
    QTEST(choice.comPort, "port");
    QTEST(choice.baudRate, "rate");
    QTEST(choice.complete, "complete");
  }

  void storedChoiceIsPreselectedInBoldAndOkWritesItBack() {
    writeAll(cfg(), "COM3 19200\r\n");
    FrmSelectPort& form = open();
    QCOMPARE(form.windowTitle(), QStringLiteral("Select COM Port and Baud Rate"));
    QVERIFY(option(form, "Port(2)")->isChecked());
    QVERIFY(option(form, "Port(2)")->font().bold());
    QVERIFY(!option(form, "Port(1)")->font().bold());
    QVERIFY(option(form, "BdRate(0)")->isChecked());
    QVERIFY(option(form, "BdRate(0)")->font().bold());
    QCOMPARE(form.comPort(), QStringLiteral("COM3"));
    PromptLog log;
    control<QPushButton>(&form, "OKButton")->click();
    QVERIFY(log.prompts.isEmpty());
    QCOMPARE(readAll(cfg()), QByteArray("COM3 19200\r\n"));
    QVERIFY(!forms::isLoaded("frmSelectPort"));
    QVERIFY(forms::find<FrmVarnix>() && forms::find<FrmVarnix>()->isVisible());
  }

  void storedNineThousandSixHundredIsKeptThoughItsOptionIsDisabled() {
    writeAll(cfg(), "COM2 9600\r\n");
    FrmSelectPort& form = open();
    QVERIFY(!option(form, "BdRate(1)")->isEnabled());
    QVERIFY(option(form, "Port(1)")->isChecked());
    QVERIFY(!option(form, "BdRate(0)")->isChecked());
    QVERIFY(!option(form, "BdRate(1)")->isChecked());
    QCOMPARE(form.baudRate(), QStringLiteral("9600"));
    PromptLog log;
    control<QPushButton>(&form, "OKButton")->click();
    QCOMPARE(readAll(cfg()), QByteArray("COM2 9600\r\n"));
  }

  void shortOrCommaSeparatedSettingPreselectsNothing() {
    for (const QByteArray& file : {QByteArray("COM4\r\n"), QByteArray("COM1,19200\r\n")}) {
      writeAll(cfg(), file);
      FrmSelectPort& form = open();
      for (int i = 0; i < 5; ++i) QVERIFY(!option(form, QStringLiteral("Port(%1)").arg(i).toLatin1())->isChecked());
      QCOMPARE(form.comPort(), QString::fromLatin1(file.left(4)));
      QCOMPARE(form.baudRate(), QString());
      resetProgram();
      modStatusBar::AppFolder = app_->path();
    }
  }

  void eachMissingChoiceHasItsMessageAndKeepsTheScreenOpen() {
    FrmSelectPort& form = open();  // no file: nothing chosen
    PromptLog log;
    auto* ok = control<QPushButton>(&form, "OKButton");
    ok->click();
    option(form, "BdRate(0)")->click();
    ok->click();
    resetProgram();
    modStatusBar::AppFolder = app_->path();
    FrmSelectPort& again = open();
    option(again, "Port(4)")->click();
    QVERIFY(option(again, "Port(4)")->font().bold());
    control<QPushButton>(&again, "OKButton")->click();
    QCOMPARE(log.prompts.size(), 3);
    QCOMPARE(log.prompts[0].text, QStringLiteral("Please select a port and a baud rate."));
    QCOMPARE(log.prompts[0].title, QStringLiteral("Port and Baud Rate Selection"));
    QCOMPARE(log.prompts[1].text, QStringLiteral("Please select a port."));
    QCOMPARE(log.prompts[1].title, QStringLiteral("Port Selection"));
    QCOMPARE(log.prompts[2].text, QStringLiteral("Please select a baud rate."));
    QCOMPARE(log.prompts[2].title, QStringLiteral("Baud Rate selection"));
    for (const Prompt& p : log.prompts) QCOMPARE(p.icon, MsgIcon::Exclamation);
    QVERIFY(forms::isLoaded("frmSelectPort"));
    QVERIFY(!QFileInfo::exists(cfg()));
  }

  void choosingWritesOneLineAndCancelLeavesTheFileAlone() {
    writeAll(cfg(), "COM1 19200\r\n");
    FrmSelectPort& form = open();
    option(form, "Port(3)")->click();
    QVERIFY(!option(form, "Port(0)")->font().bold());
    control<QPushButton>(&form, "CancelButton")->click();
    QCOMPARE(readAll(cfg()), QByteArray("COM1 19200\r\n"));
    QVERIFY(!forms::isLoaded("frmSelectPort"));

    FrmSelectPort& again = open({"/dev/ttyUSB0"});
    auto* usb = option(again, "Port(5)");
    QCOMPARE(usb->text(), QStringLiteral("/dev/ttyUSB0"));
    usb->click();
    control<QPushButton>(&again, "OKButton")->click();
    QCOMPARE(readAll(cfg()), QByteArray("/dev/ttyUSB0 19200\r\n"));
  }

  void furtherPortsLeaveOutWhatComOneToFiveStandFor() {
    // On Linux the library opens /dev/ttyS0 to /dev/ttyS4 for COM1 to COM5:
    // listing them again would offer one port under two names.
    const QStringList reported = {"/dev/ttyS0", "/dev/ttyS4", "/dev/ttyS5", "/dev/ttyUSB0", "COM1", "COM7", "COM7"};
#ifdef _WIN32
    const QStringList further = {"/dev/ttyS0", "/dev/ttyS4", "/dev/ttyS5", "/dev/ttyUSB0", "COM7"};
#else
    const QStringList further = {"/dev/ttyS5", "/dev/ttyUSB0", "COM7"};
#endif
    QCOMPARE(withoutFirstPorts(reported), further);
  }

  // What the port screen shows beside a COM port from Windows' device
  // manager: the maker and the friendly name, without the port's own name in
  // brackets and without Windows' generic words.
  void windowsPortDescriptions_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("friendly");
    QTest::addColumn<QString>("maker");
    QTest::addColumn<QString>("shown");
    QTest::newRow("adapter") << "COM7" << "USB Serial Port (COM7)" << "FTDI" << "FTDI, USB Serial Port";
    QTest::newRow("built-in port") << "COM1" << "Communications Port (COM1)" << "(Standard port types)"
                                   << "Communications Port";
    QTest::newRow("bracket of another case") << "COM12" << "Prolific USB-to-Serial Comm Port (com12) " << "Prolific"
                                             << "Prolific, Prolific USB-to-Serial Comm Port";
    QTest::newRow("maker repeated") << "COM3" << "Silicon Labs" << "Silicon Labs" << "Silicon Labs";
    QTest::newRow("nothing known") << "COM4" << "" << "" << "";
    QTest::newRow("name only in brackets") << "COM5" << "(COM5)" << "" << "";
  }
  void windowsPortDescriptions() {
    QFETCH(QString, name);
    QFETCH(QString, friendly);
    QFETCH(QString, maker);
    QFETCH(QString, shown);
    const WindowsPort port{name.toStdWString(), friendly.toStdWString(), maker.toStdWString()};
    QCOMPARE(QString::fromStdWString(describeWindowsPort(port)), shown);
  }

  void storedDeviceIsListedWhenAbsentAndTheListFollowsThePorts() {
    // "/dev/ttyUSB9" is stored but not there; an adapter is plugged in while
    // the screen is open; another device is typed under "Other...".
    writeAll(cfg(), "/dev/ttyUSB9 19200\r\n");
    QList<PortEntry> system;
    FrmSelectPort& form = forms::get<FrmSelectPort>(FrmSelectPort::PortLister([&] { return system; }));
    form.show();
    auto rows = [&form] {
      QStringList out;
      for (int i = 0; auto* port = control<QRadioButton>(&form, QStringLiteral("Port(%1)").arg(i).toLatin1()); ++i) {
        const QString note = control<QLabel>(&form, QStringLiteral("PortInfo(%1)").arg(i).toLatin1())->text();
        out << (port->isChecked() ? "* " : "") + port->text() + (note.isEmpty() ? "" : " | " + note);
      }
      return out.mid(5);  // after COM1 to COM5
    };
    QCOMPARE(rows(), (QStringList{"* /dev/ttyUSB9 | not connected"}));

    system = {{"/dev/ttyUSB9", "FTDI, FT232R USB UART, serial A1B2"}, {"/dev/ttyACM0", "Arduino"}};
    form.refreshPorts();
    QCOMPARE(rows(), (QStringList{"* /dev/ttyUSB9 | FTDI, FT232R USB UART, serial A1B2", "/dev/ttyACM0 | Arduino"}));

    form.chooseOther(QStringLiteral("/dev/serial/by-id/usb-QTM-if00"));
    system.removeFirst();  // unplugged
    form.refreshPorts();
    QCOMPARE(rows(), (QStringList{"/dev/ttyACM0 | Arduino", "* /dev/serial/by-id/usb-QTM-if00 | not connected",
                                  "/dev/ttyUSB9 | not connected"}));
    PromptLog log;
    control<QPushButton>(&form, "OKButton")->click();
    QCOMPARE(readAll(cfg()), QByteArray("/dev/serial/by-id/usb-QTM-if00 19200\r\n"));

    // Esc cancels and leaves the file alone.
    FrmSelectPort& again = open();
    QTest::keyClick(&again, Qt::Key_Escape);
    QVERIFY(!forms::isLoaded("frmSelectPort"));
    QCOMPARE(readAll(cfg()), QByteArray("/dev/serial/by-id/usb-QTM-if00 19200\r\n"));
  }

  void firstDownloadChoosesThePortFirst() {
    // Without "VARNIX.CFG", Download opens the port screen, which says why;
    // OK goes on to the download screen, Cancel back to the menu.
    modStatusBar::DataFolder = app_->path();
    FrmVarnix& menu = forms::get<FrmVarnix>();
    menu.show();
    for (bool choose : {false, true}) {
      QString why;
      QTimer::singleShot(0, [&] {
        FrmSelectPort* form = forms::find<FrmSelectPort>();
        if (!form) return;
        auto* label = control<QLabel>(form, "lblWhy");
        if (label && label->isVisible()) why = label->text();
        if (!choose) return control<QPushButton>(form, "CancelButton")->click();
        option(*form, "Port(0)")->click();
        option(*form, "BdRate(0)")->click();
        control<QPushButton>(form, "OKButton")->click();
      });
      control<QPushButton>(&menu, "cmdDownload")->click();
      QCOMPARE(why, QStringLiteral("Choose the port that the instrument's cable is plugged into: Varnix has none "
                                   "stored yet, and the download goes on after OK."));
      QCOMPARE(forms::isLoaded("frmStatusBar"), choose);
    }
    QCOMPARE(readAll(cfg()), QByteArray("COM1 19200\r\n"));
    QVERIFY(forms::find(QStringLiteral("frmStatusBar"))->isVisible());
  }

  void unwritableFileIsReportedForEachStepAndTheScreenStillCloses() {
    modStatusBar::AppFolder = app_->filePath("missing-folder");
    FrmSelectPort& form = open();
    option(form, "Port(0)")->click();
    option(form, "BdRate(0)")->click();
    PromptLog log;
    control<QPushButton>(&form, "OKButton")->click();
    QCOMPARE(log.texts(), (QStringList{"File Error", "File Error"}));
    QCOMPARE(log.last().title, QStringLiteral("Port and Baud Rate Selection"));
    QVERIFY(!forms::isLoaded("frmSelectPort"));
  }

 private:
  QString cfg() const { return app_->filePath("VARNIX.CFG"); }
  FrmSelectPort& open(QStringList further = {}) {
    FrmSelectPort& form = forms::get<FrmSelectPort>(further);
    form.show();
    return form;
  }
  static QRadioButton* option(FrmSelectPort& form, const char* name) { return control<QRadioButton>(&form, name); }

  std::unique_ptr<QTemporaryDir> app_;
};

QTEST_MAIN(SelectPortTest)
#include "select_port_test.moc"
