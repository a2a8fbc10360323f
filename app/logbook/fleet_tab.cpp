// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/logbook/fleet_tab.h"

#include <QStringList>
#include <set>

#include "analysis/aircraft_rules.h"
#include "store/logbook.h"

namespace varnix::app::logbook {

namespace {

enum FleetColumn { FleetAircraft, FleetFlights, FleetHours, FleetLast, FleetNew, FleetOpen, FleetLean, FleetColumns };

}  // namespace

FleetTab::FleetTab(QWidget* parent) : QTreeWidget(parent) {
  setObjectName(QStringLiteral("lstFleet"));
  setRootIsDecorated(false);
  setAlternatingRowColors(true);
  setHeaderLabels({QStringLiteral("Aircraft"), QStringLiteral("Flights"), QStringLiteral("Hours"),
                   QStringLiteral("Last flight"), QStringLiteral("New"), QStringLiteral("Open findings"),
                   QStringLiteral("Last lean test")});
  setToolTip(QStringLiteral("Double-click an aircraft to see its flights"));
  connect(this, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
    if (item) emit aircraftActivated(item->data(FleetAircraft, Qt::UserRole).toString());
  });
}

void FleetTab::build(const CatalogSnapshot& snapshot, const std::string& dataFolder) {
  rows_.clear();
  problems_.clear();
  // Each aircraft as its own logbook counts it: under its limits, with its
  // acknowledged findings.
  std::set<std::string> readable;  // the folders with a flight, as the list always showed them
  for (const auto& e : *snapshot.entries)
    if (e.problem.empty()) readable.insert(e.folder);
  const std::string today = analysis::LocalDate();
  for (const std::string& folder : readable) {
    const auto look = snapshot.lastLooks.find(folder);
    const analysis::AircraftRules rules = analysis::ReadAircraftRules(dataFolder + "/" + folder);
    store::AircraftLog log = store::BuildAircraftLog(folder, *snapshot.entries, rules.limits,
                                                       look == snapshot.lastLooks.end() ? 0 : look->second);
    store::AcknowledgeFindings(log, rules.acknowledged.acknowledgements, today);
    rows_.push_back(store::MakeFleetRow(log));
    QStringList problems;
    for (const std::string& line : rules.problemLines()) problems << QString::fromStdString(line);
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
                                                                QString::fromStdString(r.lastLeanDate))});
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
    items.append(item);
  }
  addTopLevelItems(items);
  // The window's font, as the columns were always measured.
  const int spare = window()->fontMetrics().averageCharWidth() * 3;
  for (int c = 0; c < FleetColumns; ++c) {
    resizeColumnToContents(c);
    setColumnWidth(c, columnWidth(c) + spare);
  }
}

}  // namespace varnix::app::logbook
