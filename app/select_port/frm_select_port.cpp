// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/select_port/frm_select_port.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "app/main_menu/frm_varnix.h"
#include "platform/serial_port.h"
#include "app/select_port/port_setting_line.h"
#include "app/select_port/serial_ports.h"
#include "app/shared/message_box.h"
#include "app/shared/mod_status_bar.h"

namespace varnix::app {

namespace {

const QString kSelectionTitle = QStringLiteral("Port and Baud Rate Selection");

const QStringList kFirstPorts = {QStringLiteral("COM1"), QStringLiteral("COM2"), QStringLiteral("COM3"),
                                 QStringLiteral("COM4"), QStringLiteral("COM5")};
const QString kNotConnected = QStringLiteral("not connected");
// How often the list looks for ports that came or went.
constexpr int kPortWatchMs = 1500;

void setBold(QRadioButton* option, bool bold) {
  QFont f = option->font();
  f.setBold(bold);
  option->setFont(f);
}

const PortEntry* entryFor(const QList<PortEntry>& entries, const QString& name) {
  const QString device = QString::fromStdString(platform::serialDeviceName(name.toStdString()));
  for (const PortEntry& e : entries)
    if (e.name == name || e.name == device) return &e;
  return nullptr;
}

}  // namespace

FrmSelectPort::FrmSelectPort(const QStringList& furtherPorts)
    : FrmSelectPort([furtherPorts] {
        QList<PortEntry> entries;
        for (const QString& name : furtherPorts) entries.append({name, {}});
        return entries;
      }) {}

FrmSelectPort::FrmSelectPort(PortLister ports) : Form(kName), lister_(ports ? std::move(ports) : systemSerialPorts) {
  setWindowTitle(QStringLiteral("Select COM Port and Baud Rate"));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

  why_ = new QLabel(QStringLiteral("Choose the port that the instrument's cable is plugged into: Varnix has none "
                                   "stored yet, and the download goes on after OK."),
                    this);
  why_->setObjectName(QStringLiteral("lblWhy"));
  why_->setWordWrap(true);
  QFont whyFont = why_->font();
  whyFont.setBold(true);
  why_->setFont(whyFont);
  why_->hide();

  auto* frame1 = new QGroupBox(QStringLiteral("Select COM Port"), this);
  frame1->setObjectName(QStringLiteral("Frame1"));
  auto* portColumn = new QVBoxLayout(frame1);
  portGrid_ = new QGridLayout;
  portGrid_->setHorizontalSpacing(12);
  portGrid_->setColumnStretch(1, 1);
  portColumn->addLayout(portGrid_);
  auto* other = new QPushButton(QStringLiteral("Other\u2026"), frame1);
  other->setObjectName(QStringLiteral("OtherButton"));
  other->setToolTip(QStringLiteral("Type or browse the path of a serial device"));
  connect(other, &QPushButton::clicked, this, &FrmSelectPort::otherClicked);
  auto* otherRow = new QHBoxLayout;
  otherRow->addWidget(other);
  otherRow->addStretch(1);
  portColumn->addLayout(otherRow);
  portColumn->addStretch(1);
  reported_ = lister_();
  rebuildPortList();

  watch_ = new QTimer(this);
  watch_->setInterval(kPortWatchMs);
  connect(watch_, &QTimer::timeout, this, &FrmSelectPort::refreshPorts);

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
  page->addWidget(why_);
  page->addLayout(top);
  page->addWidget(note);

  // OK first in the tab order, then Cancel, then the options.
  setTabOrder(ok, cancel);
  setTabOrder(cancel, ports_.front());
}

void FrmSelectPort::load() {
  rates_[1]->setEnabled(false);
  setFixedWidth(640);
  resize(640, heightForWidth(640) > 0 ? heightForWidth(640) : sizeHint().height());
  modStatusBar::CenterForm(this);
}

void FrmSelectPort::setBeforeFirstDownload(bool before) {
  beforeDownload_ = before;
  why_->setVisible(before);
}

void FrmSelectPort::rebuildPortList() {
  QString checked;
  for (QRadioButton* option : ports_)
    if (option->isChecked()) checked = option->text();
  for (QRadioButton* option : ports_) delete option;
  for (QLabel* note : portNotes_) delete note;
  ports_.clear();
  portNotes_.clear();

  // COM1 to COM5, the reported ports, then what was typed and the stored
  // port when the system does not report them.
  QList<PortEntry> rows;
  for (const QString& name : kFirstPorts) {
    const PortEntry* e = entryFor(reported_, name);
    rows.append({name, e ? e->description : QString()});
  }
  QStringList reportedNames;
  for (const PortEntry& e : reported_) reportedNames.append(e.name);
  for (const QString& name : withoutFirstPorts(reportedNames)) rows.append(*entryFor(reported_, name));
  QStringList extra = typed_;
  if (!stored_.isEmpty() && !extra.contains(stored_)) extra.append(stored_);
  for (const QString& name : extra) {
    if (std::any_of(rows.begin(), rows.end(), [&](const PortEntry& r) { return r.name == name; })) continue;
    // A device path that exists is there even when the system does not list
    // it (a pseudo-terminal); a COM name the system does not list is not.
    const bool present = name.startsWith(QLatin1Char('/')) && QFileInfo::exists(name);
    rows.append({name, present ? QString() : kNotConnected});
  }

  auto* frame = portGrid_->parentWidget();
  for (int i = 0; i < rows.size(); ++i) {
    auto* option = new QRadioButton(rows[i].name, frame);
    option->setObjectName(QStringLiteral("Port(%1)").arg(i));
    connect(option, &QRadioButton::clicked, this, [this, i] { portClicked(i); });
    auto* note = new QLabel(rows[i].description, frame);
    note->setObjectName(QStringLiteral("PortInfo(%1)").arg(i));
    note->setEnabled(rows[i].description != kNotConnected);
    portGrid_->addWidget(option, i, 0);
    portGrid_->addWidget(note, i, 1);
    ports_.append(option);
    portNotes_.append(note);
  }
  selectPort(checked);
}

void FrmSelectPort::refreshPorts() {
  QList<PortEntry> now = lister_();
  if (now == reported_) return;
  reported_ = std::move(now);
  rebuildPortList();
}

void FrmSelectPort::selectPort(const QString& name) {
  for (QRadioButton* option : ports_) {
    const bool chosen = !name.isEmpty() && option->text() == name;
    option->setChecked(chosen);
    setBold(option, chosen);
  }
}

void FrmSelectPort::chooseOther(const QString& device) {
  const QString name = device.trimmed();
  if (name.isEmpty() || name.contains(QLatin1Char(' '))) return;
  if (!typed_.contains(name)) typed_.append(name);
  comPort_ = name;
  rebuildPortList();
  selectPort(name);
}

void FrmSelectPort::otherClicked() {
  QDialog dialog(this);
  dialog.setWindowTitle(QStringLiteral("Other Serial Port"));
  auto* path = new QLineEdit(&dialog);
  path->setObjectName(QStringLiteral("txtOtherPort"));
  path->setPlaceholderText(QStringLiteral("/dev/ttyUSB0"));
  path->setText(comPort_.startsWith(QLatin1Char('/')) ? comPort_ : QString());
  path->setMinimumWidth(360);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  auto* row = new QHBoxLayout;
  row->addWidget(path, 1);
#ifndef _WIN32
  auto* browse = new QPushButton(QStringLiteral("Browse\u2026"), &dialog);
  connect(browse, &QPushButton::clicked, &dialog, [&dialog, path] {
    // Devices are system files: the dialog shows them only when asked to.
    QFileDialog files(&dialog, QStringLiteral("Choose the Serial Device"));
    const QString byId = QStringLiteral("/dev/serial/by-id");
    files.setDirectory(QFileInfo::exists(byId) ? byId : QStringLiteral("/dev"));
    files.setFilter(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    files.setFileMode(QFileDialog::ExistingFile);
    files.setOption(QFileDialog::DontUseNativeDialog);
    if (files.exec() == QDialog::Accepted && !files.selectedFiles().isEmpty()) path->setText(files.selectedFiles().first());
  });
  row->addWidget(browse);
#endif
  auto* page = new QVBoxLayout(&dialog);
  page->addWidget(new QLabel(QStringLiteral("The path of the serial device (a name such as COM7 on Windows):"), &dialog));
  page->addLayout(row);
  page->addWidget(buttons);
  if (dialog.exec() == QDialog::Accepted) chooseOther(path->text());
}

void FrmSelectPort::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    cancelClicked();
    return;
  }
  Form::keyPressEvent(event);
}

QString FrmSelectPort::cfgPath() const {
  return modStatusBar::JoinPath(modStatusBar::AppFolder, QStringLiteral("VARNIX.CFG"));
}

void FrmSelectPort::activate() {
  comPort_.clear();
  baudRate_.clear();
  watch_->start();
  QFile file(cfgPath());
  if (!file.open(QIODevice::ReadOnly)) return;
  const StoredPortChoice stored = parsePortSetting(file.read(4096));
  file.close();
  comPort_ = stored.comPort;
  if (!stored.complete) return;
  baudRate_ = stored.baudRate;
  // The stored port is listed even when it is not there now.
  stored_ = comPort_;
  rebuildPortList();
  selectPort(comPort_);
  for (QRadioButton* option : ports_)
    if (option->isChecked()) option->setFocus();
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
  // Before a first download the main menu goes on to the download screen.
  if (!beforeDownload_) forms::get<FrmVarnix>().show();
}

void FrmSelectPort::cancelClicked() {
  comPort_.clear();
  baudRate_.clear();
  unloadForm(this);
  forms::get<FrmVarnix>().show();
}

}  // namespace varnix::app
