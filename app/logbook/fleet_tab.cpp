// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/logbook/fleet_tab.h"

#include <QColor>
#include <QStringList>

#include "app/shared/column_fit.h"

namespace varnix::app::logbook {

namespace {

enum FleetColumn { FleetAircraft, FleetFlights, FleetHours, FleetLast, FleetNew, FleetOpen, FleetLean, FleetStatus, FleetColumns };

// The status without the aircraft's id, which the row's first column gives.
QString statusCell(const std::string& status) {
  const QString text = QString::fromStdString(status);
  const qsizetype colon = text.indexOf(QStringLiteral(": "));
  return colon < 0 ? text : text.mid(colon + 2);
}

}  // namespace

FleetTab::FleetTab(QWidget* parent) : QTreeWidget(parent) {
  setObjectName(QStringLiteral("lstFleet"));
  setRootIsDecorated(false);
  setAlternatingRowColors(true);
  setHeaderLabels({QStringLiteral("Aircraft"), QStringLiteral("Flights"), QStringLiteral("Hours"),
                   QStringLiteral("Last flight"), QStringLiteral("New"), QStringLiteral("Open findings"),
                   QStringLiteral("Last lean test"), QStringLiteral("Status")});
  setToolTip(QStringLiteral("Double-click an aircraft to see its flights"));
  FitColumns(this, {FleetLean, FleetStatus});
  connect(this, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
    if (item) emit aircraftActivated(item->data(FleetAircraft, Qt::UserRole).toString());
  });
}

void FleetTab::build(const CatalogSnapshot& snapshot) {
  rows_.clear();
  problems_.clear();
  for (const FleetLine& line : *snapshot.fleet) {
    rows_.push_back(line.row);
    QStringList problems;
    for (const std::string& p : line.rules.problemLines()) problems << QString::fromStdString(p);
    problems_.push_back(problems.join(QLatin1Char('\n')));
  }
  fill();
}

void FleetTab::fill() {
  clear();
  QList<QTreeWidgetItem*> items;
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    const store::FleetRow& r = rows_[i];
    auto* item = new QTreeWidgetItem(
        {QString::fromStdString(r.folder), QString::number(r.flights), QString::number(r.hours, 'f', 1),
         QString::fromStdString(r.lastFlight), r.newFlights ? QString::number(r.newFlights) : QString(),
         r.openFindings ? QString::number(r.openFindings) : QString(),
         r.lastLeanTest.empty() ? QStringLiteral("—")
                                : QStringLiteral("%1 (%2)").arg(QString::fromStdString(r.lastLeanTest).replace(
                                                                    QLatin1Char('_'), QLatin1Char(' ')),
                                                                QString::fromStdString(r.lastLeanDate)),
         statusCell(r.status)});
    item->setData(FleetAircraft, Qt::UserRole, QString::fromStdString(r.folder));
    for (int c = FleetFlights; c <= FleetOpen; ++c)
      if (c != FleetLast) item->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
    // As the line beside Limits… says them for the aircraft shown.
    if (!problems_[i].isEmpty())
      item->setToolTip(FleetAircraft, QStringLiteral("Its limits or acknowledged findings file has problems:\n%1")
                                          .arg(problems_[i]));
    item->setToolTip(FleetLean, r.lastLeanTest.empty()
                                    ? QStringLiteral("No leaning sweep in this aircraft's flights")
                                    : QStringLiteral("The newest flight with a leaning sweep in its cruise, its spread "
                                                     "judged against the aircraft's limits"));
    item->setToolTip(FleetStatus, QString::fromStdString(r.status));
    if (r.warning) item->setForeground(FleetStatus, QColor(0xb0, 0x00, 0x00));
    items.append(item);
  }
  addTopLevelItems(items);
  RefitColumns(this);
}

}  // namespace varnix::app::logbook
