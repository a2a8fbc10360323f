// SPDX-License-Identifier: GPL-3.0-or-later
// The port and baud-rate choice, stored in "VARNIX.CFG" in the program
// folder for the library's download. The list shows COM1 to COM5, the ports
// the system reports with their descriptions (kept current while the screen
// is open: an adapter plugged in appears), the stored port even when it is
// not there, and "Other..." for any device path.
#pragma once

#include <QList>
#include <QStringList>
#include <functional>
#include <optional>

#include "app/select_port/serial_ports.h"
#include "app/shared/forms.h"

class QGridLayout;
class QLabel;
class QRadioButton;
class QTimer;

namespace varnix::app {

class FrmSelectPort : public Form {
  Q_OBJECT

 public:
  static constexpr const char* kName = "frmSelectPort";
  using PortLister = std::function<QList<PortEntry>()>;

  // `ports`: what the system reports; by default systemSerialPorts().
  explicit FrmSelectPort(PortLister ports = {});
  // Tests: the further ports as plain names, without descriptions.
  explicit FrmSelectPort(const QStringList& furtherPorts);

  void load() override;

  const QString& comPort() const { return comPort_; }
  const QString& baudRate() const { return baudRate_; }

  // The first download without "VARNIX.CFG" comes here first: the screen
  // says why, and OK goes on to the download screen.
  void setBeforeFirstDownload(bool before);

  // Lists the ports again when they changed (a timer calls it while the
  // screen is shown); the choice stays.
  void refreshPorts();
  // "Other...": `device` is added to the list (once) and chosen.
  void chooseOther(const QString& device);

 protected:
  void activate() override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void rebuildPortList();
  void selectPort(const QString& name);
  void portClicked(int index);
  void rateClicked(int index);
  void otherClicked();
  void okClicked();
  void cancelClicked();
  QString cfgPath() const;

  PortLister lister_;
  QList<PortEntry> reported_;   // the system's ports at the last look
  QString stored_;              // the port read from "VARNIX.CFG"
  QStringList typed_;           // devices chosen with "Other..."
  QGridLayout* portGrid_ = nullptr;
  QList<QRadioButton*> ports_;
  QList<QLabel*> portNotes_;
  QList<QRadioButton*> rates_;
  QLabel* why_ = nullptr;
  QTimer* watch_ = nullptr;
  bool beforeDownload_ = false;
  QString comPort_;
  QString baudRate_;
};

}  // namespace varnix::app
