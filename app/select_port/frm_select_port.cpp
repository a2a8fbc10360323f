// SPDX-License-Identifier: GPL-3.0-or-later
#include "select_port/frm_select_port.h"

#include <QFile>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "main_menu/frm_varnix.h"
#include "select_port/port_setting_line.h"
#include "select_port/serial_ports.h"
#include "shared/message_box.h"
#include "shared/mod_status_bar.h"

namespace varnix::app {

namespace {

const QString kSelectionTitle = QStringLiteral("Port and Baud Rate Selection");

void setBold(QRadioButton* option, bool bold) {
  QFont f = option->font();
  f.setBold(bold);
  option->setFont(f);
}

}  // namespace

FrmSelectPort::FrmSelectPort(std::optional<QStringList> furtherPorts) : Form(kName) {
  setWindowTitle(QStringLiteral("Select COM Port and Baud Rate"));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

  auto* frame1 = new QGroupBox(QStringLiteral("Select COM Port"), this);
  frame1->setObjectName(QStringLiteral("Frame1"));
  auto* portColumn = new QVBoxLayout(frame1);
  QStringList names = {QStringLiteral("COM1"), QStringLiteral("COM2"), QStringLiteral("COM3"), QStringLiteral("COM4"),
                       QStringLiteral("COM5")};
  names += furtherPorts ? *furtherPorts : furtherSerialPorts();
  for (int i = 0; i < names.size(); ++i) {
    auto* option = new QRadioButton(names[i], frame1);
    option->setObjectName(QStringLiteral("Port(%1)").arg(i));
    connect(option, &QRadioButton::clicked, this, [this, i] { portClicked(i); });
    portColumn->addWidget(option);
    ports_.append(option);
  }
  portColumn->addStretch(1);

  auto* frame2 = new QGroupBox(QStringLiteral("Select Baud Rate"), this);
  frame2->setObjectName(QStringLiteral("Frame2"));
  auto* rateColumn = new QVBoxLayout(frame2);
  for (int i = 0; i < 2; ++i) {
    auto* option = new QRadioButton(i == 0 ? QStringLiteral("19200") : QStringLiteral("9600"), frame2);
    option->setObjectName(QStringLiteral("BdRate(%1)").arg(i));
    connect(option, &QRadioButton::clicked, this, [this, i] { rateClicked(i); });
    rateColumn->addWidget(option);
    rates_.append(option);
  }
  rateColumn->addStretch(1);

  auto* ok = new QPushButton(QStringLiteral("&OK"), this);
  ok->setObjectName(QStringLiteral("OKButton"));
  ok->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("&Cancel"), this);
  cancel->setObjectName(QStringLiteral("CancelButton"));
  connect(ok, &QPushButton::clicked, this, &FrmSelectPort::okClicked);
  connect(cancel, &QPushButton::clicked, this, &FrmSelectPort::cancelClicked);

  auto* note = new QLabel(
      QStringLiteral("Note: We have already changed our latest products' baud rate to 19200. The baud rate 9600 would "
                     "be no longer used. So please always select 19200. If you are using an old product, please set "
                     "19200 on your instrument."),
      this);
  note->setObjectName(QStringLiteral("Label2"));
  note->setWordWrap(true);

  auto* buttons = new QVBoxLayout;
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  buttons->addStretch(1);
  auto* top = new QHBoxLayout;
  top->addWidget(frame1, 3);
  top->addWidget(frame2, 2);
  top->addLayout(buttons);
  auto* page = new QVBoxLayout(this);
  page->setContentsMargins(16, 16, 16, 16);
  page->setSpacing(14);
  page->addLayout(top);
  page->addWidget(note);

  // OK first in the tab order, then Cancel, then the options.
  setTabOrder(ok, cancel);
  setTabOrder(cancel, ports_.front());
}

void FrmSelectPort::load() {
  rates_[1]->setEnabled(false);
  setFixedWidth(480);
  resize(480, heightForWidth(480) > 0 ? heightForWidth(480) : sizeHint().height());
  modStatusBar::CenterForm(this);
}

QString FrmSelectPort::cfgPath() const {
  return modStatusBar::JoinPath(modStatusBar::AppFolder, QStringLiteral("VARNIX.CFG"));
}

void FrmSelectPort::activate() {
  comPort_.clear();
  baudRate_.clear();
  QFile file(cfgPath());
  if (!file.open(QIODevice::ReadOnly)) return;
  const StoredPortChoice stored = parsePortSetting(file.read(4096));
  file.close();
  comPort_ = stored.comPort;
  if (!stored.complete) return;
  baudRate_ = stored.baudRate;
  for (QRadioButton* option : ports_) {
    if (option->text() == comPort_) {
      option->setChecked(true);
      option->setFocus();
      setBold(option, true);
    }
  }
  // The 9600 option is disabled: it can neither take the focus nor show the
  // stored rate, which stays kept all the same.
  for (QRadioButton* option : rates_) {
    if (option->text() == baudRate_ && option->isEnabled()) {
      option->setChecked(true);
      option->setFocus();
      setBold(option, true);
    }
  }
}

void FrmSelectPort::portClicked(int index) {
  for (int i = 0; i < ports_.size(); ++i) {
    setBold(ports_[i], i == index);
    if (i == index) {
      ports_[i]->setChecked(true);
      ports_[i]->setFocus();
    }
  }
  comPort_ = ports_[index]->text();
}

void FrmSelectPort::rateClicked(int index) {
  for (int i = 0; i < rates_.size(); ++i) {
    setBold(rates_[i], i == index);
    if (i == index) {
      rates_[i]->setChecked(true);
      rates_[i]->setFocus();
    }
  }
  baudRate_ = index == 0 ? QStringLiteral("19200") : QStringLiteral("9600");
}

void FrmSelectPort::okClicked() {
  if (comPort_.isEmpty() || baudRate_.isEmpty()) {
    if (comPort_.isEmpty() && baudRate_.isEmpty())
      MsgBox(QStringLiteral("Please select a port and a baud rate."), kSelectionTitle, MsgIcon::Exclamation);
    else if (comPort_.isEmpty())
      MsgBox(QStringLiteral("Please select a port."), QStringLiteral("Port Selection"), MsgIcon::Exclamation);
    else
      MsgBox(QStringLiteral("Please select a baud rate."), QStringLiteral("Baud Rate selection"), MsgIcon::Exclamation);
    return;
  }
  const QByteArray line = portSettingLine(comPort_, baudRate_);
  QFile file(cfgPath());
  const bool created = file.open(QIODevice::WriteOnly | QIODevice::Truncate);
  if (!created) MsgBox(QStringLiteral("File Error"), kSelectionTitle, MsgIcon::Exclamation);
  bool written = created && file.write(line) == line.size();
  if (created) written = file.flush() && written;
  file.close();
  if (!written) MsgBox(QStringLiteral("File Error"), kSelectionTitle, MsgIcon::Exclamation);
  comPort_.clear();
  baudRate_.clear();
  unloadForm(this);
  forms::get<FrmVarnix>().show();
}

void FrmSelectPort::cancelClicked() {
  comPort_.clear();
  baudRate_.clear();
  unloadForm(this);
  forms::get<FrmVarnix>().show();
}

}  // namespace varnix::app
