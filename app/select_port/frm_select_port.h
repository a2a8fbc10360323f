// SPDX-License-Identifier: GPL-3.0-or-later
// The port and baud-rate choice, stored in "VARNIX.CFG" in the program
// folder for the library's download.
#pragma once

#include <QList>
#include <QStringList>
#include <optional>

#include "shared/forms.h"

class QRadioButton;

namespace varnix::app {

class FrmSelectPort : public Form {
  Q_OBJECT

 public:
  static constexpr const char* kName = "frmSelectPort";

  // `furtherPorts`: the ports listed below COM1 to COM5; by default the
  // serial ports that the system reports.
  explicit FrmSelectPort(std::optional<QStringList> furtherPorts = std::nullopt);

  void load() override;

  const QString& comPort() const { return comPort_; }
  const QString& baudRate() const { return baudRate_; }

 protected:
  void activate() override;

 private:
  void portClicked(int index);
  void rateClicked(int index);
  void okClicked();
  void cancelClicked();
  QString cfgPath() const;

  QList<QRadioButton*> ports_;
  QList<QRadioButton*> rates_;
  QString comPort_;
  QString baudRate_;
};

}  // namespace varnix::app
