// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/logbook/findings_tab.h"

#include "app/shared/column_fit.h"
#include "store/aircraft_issues.h"

#include <QStyle>
#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

namespace varnix::app::logbook {

namespace {

constexpr int kFlightRole = Qt::UserRole;      // the flight's row in the log (-1: none)
constexpr int kTimeRole = Qt::UserRole + 1;    // seconds from the flight's start
constexpr int kTextColumn = 4, kAdviceColumn = 6;

QString text(const std::string& s) { return QString::fromStdString(s); }

// The maintenance log beside the findings: what each entry changed, the oil
// the engine used, how true the fuel flow reads. Nothing without a log.
QTreeWidgetItem* maintenanceGroup(const store::AircraftLog& log) {
  QList<QTreeWidgetItem*> rows;
  auto row = [&](const QString& date, const QString& channel, const QString& what, int flightIndex = -1) {
    auto* item = new QTreeWidgetItem({date, QString(), QString(), channel, what, QString(), QString()});
    item->setData(0, kFlightRole, flightIndex);
    item->setData(0, kTimeRole, 0.0);
    rows.append(item);
  };
  // An entry's effect opens the first flight after the work, whose Summary tells it.
  for (const store::MaintenanceRecord& r : log.maintenance) {
    const std::size_t first = store::FirstFlightFrom(log, r.entry.date);
    for (const std::string& line : store::EffectLines(r)) {
      const auto of = std::find_if(r.effects.begin(), r.effects.end(), [&](const store::MaintenanceEffect& e) { return e.text == line; });
      row(text(r.entry.date), of == r.effects.end() ? QString() : text(of->channel), text(line),
          first < log.flights.size() ? static_cast<int>(first) : -1);
    }
  }
  for (const store::OilInterval& o : log.oil)
    if (o.rate) row(text(o.to), QStringLiteral("OIL"), text(store::OilIntervalText(o)));
  if (const std::string fuel = store::FuelFlowText(log.fuel); !fuel.empty())
    row(text(log.fuel.intervals.back().to), QStringLiteral("FF"), text(fuel));
  if (rows.isEmpty()) return nullptr;
  auto* group = new QTreeWidgetItem({QStringLiteral("Maintenance"), QStringLiteral("%1 entries").arg(log.maintenance.size()),
                                     QString(), QString(),
                                     QStringLiteral("What the work changed, the oil used and the fuel flow's error"),
                                     QString(), QString()});
  group->setData(0, kFlightRole, -1);
  group->addChildren(rows);
  return group;
}

}  // namespace

FindingsTab::FindingsTab(QWidget* parent) : QTreeWidget(parent) {
  setObjectName(QStringLiteral("lstFindings"));
  setRootIsDecorated(true);
  setAlternatingRowColors(true);
  setHeaderLabels({QStringLiteral("Date"), QStringLiteral("Flight"), QStringLiteral("Severity"),
                   QStringLiteral("Channel"), QStringLiteral("Finding"), QStringLiteral("Above"),
                   QStringLiteral("Look at")});
  // The finding's text and its advice take the width the others leave.
  FitColumns(this, {kTextColumn, kAdviceColumn});
  // An opened issue's rows are measured too.
  connect(this, &QTreeWidget::itemExpanded, this, [this] { RefitColumns(this); });
  connect(this, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
    if (!item) return;
    const int flightIndex = item->data(0, kFlightRole).toInt();
    if (flightIndex >= 0) emit findingActivated(flightIndex, item->data(0, kTimeRole).toDouble());
  });
}

int FindingsTab::show(const store::AircraftLog* log) {
  clear();
  if (!log) return 0;
  // The window's palette and style, as the list always took them.
  const QWidget* look = window();
  // One issue (a kind on a channel) a row: a finding seen once is its own
  // row; one seen on several flights a row of its own that opens to them.
  struct Issue {
    std::vector<QTreeWidgetItem*> items;  // newest first
    std::vector<const analysis::Finding*> findings;
    QString first, last;                  // dates
  };
  std::vector<std::pair<std::pair<int, std::string>, Issue>> issues;
  auto issueOf = [&](const analysis::Finding& x) -> Issue& {
    const std::pair<int, std::string> key{static_cast<int>(x.kind), x.channel};
    for (auto& [k, issue] : issues)
      if (k == key) return issue;
    return issues.emplace_back(key, Issue{}).second;
  };
  int count = 0;
  auto add = [&](const analysis::Finding& x, int flightIndex, const QString& date, const QString& flightLabel) {
    QString text = QString::fromStdString(x.text);
    if (x.acknowledged) text += QStringLiteral(" (acknowledged: %1)").arg(QString::fromStdString(x.reason));
    if (!x.confidence.empty()) text += QStringLiteral(" (confidence %1)").arg(QString::fromStdString(x.confidence));
    const QString above = std::isfinite(x.timeAbove) && x.timeAbove > 0
                              ? QStringLiteral("%1 min").arg(std::max(1L, std::lround(x.timeAbove / 60)))
                              : QString();
    auto* item = new QTreeWidgetItem({date, flightLabel,
                                      x.acknowledged ? QStringLiteral("acknowledged")
                                                     : QString::fromUtf8(analysis::SeverityName(x.severity).data()),
                                      QString::fromStdString(x.channel), text, above,
                                      QString::fromStdString(x.hint)});
    if (x.acknowledged)
      for (int c = 0; c < item->columnCount(); ++c)
        item->setForeground(c, look->palette().brush(QPalette::Disabled, QPalette::Text));
    item->setIcon(2, look->style()->standardIcon(x.severity == analysis::Severity::Warning ? QStyle::SP_MessageBoxCritical
                                                                                          : QStyle::SP_MessageBoxWarning));
    item->setData(0, kFlightRole, flightIndex);
    item->setData(0, kTimeRole,
                  flightIndex >= 0 ? store::FindingTime(log->flights[static_cast<std::size_t>(flightIndex)], x)
                                   : 0.0);
    Issue& issue = issueOf(x);
    issue.items.push_back(item);
    issue.findings.push_back(&x);
    const QString day = date.left(10);
    if (flightIndex >= 0 && date != QStringLiteral("Trend")) {
      if (issue.last.isEmpty() || day > issue.last) issue.last = day;
      if (issue.first.isEmpty() || day < issue.first) issue.first = day;
    }
    ++count;
  };
  for (const analysis::Finding& t : log->trends) {
    const store::LogbookFlight* f = log->trendFlight(t);
    const int index = f ? static_cast<int>(f - log->flights.data()) : -1;
    add(t, index, QStringLiteral("Trend"), f ? QString::fromStdString(f->entry.flightLabel) : QString());
  }
  for (std::size_t i = 0; i < log->flights.size(); ++i) {
    const store::LogbookFlight& f = log->flights[i];
    for (const analysis::Finding& x : f.findings)
      add(x, static_cast<int>(i), QString::fromStdString(f.entry.start).replace(QLatin1Char('T'), QLatin1Char(' ')),
          QString::fromStdString(f.entry.flightLabel));
  }
  // An issue the maintenance log resolved says by what (it stays listed).
  std::vector<store::AircraftIssue> resolved;
  for (store::AircraftIssue& i : store::AircraftIssues(*log))
    if (!i.resolvedBy.empty()) resolved.push_back(std::move(i));
  auto markResolved = [&](const std::pair<int, std::string>& key, QTreeWidgetItem* row) {
    for (const store::AircraftIssue& i : resolved)
      if (static_cast<int>(i.kind) == key.first && i.channel == key.second)
        row->setText(kTextColumn, row->text(kTextColumn) + QStringLiteral(" · resolved by ") + text(i.resolvedBy));
  };
  QList<QTreeWidgetItem*> rows;
  for (auto& [key, issue] : issues) {
    if (issue.items.size() == 1) {
      markResolved(key, issue.items.front());
      rows.append(issue.items.front());
      continue;
    }
    // Its flights since the first: "4 of 22 flights since 2024-03-02".
    std::size_t since = 0;
    for (const store::LogbookFlight& f : log->flights)
      since += QString::fromStdString(f.entry.start.substr(0, 10)) >= issue.first;
    const analysis::Finding& newest = *issue.findings.front();
    bool open = false, warning = false;
    for (const analysis::Finding* x : issue.findings) {
      open = open || !x->acknowledged;
      warning = warning || (!x->acknowledged && x->severity == analysis::Severity::Warning);
    }
    const QString span = issue.first == issue.last ? issue.first : issue.first + QStringLiteral(" – ") + issue.last;
    auto* group = new QTreeWidgetItem(
        {span, QStringLiteral("%1 flights").arg(issue.items.size()),
         open ? QString::fromUtf8(analysis::SeverityName(warning ? analysis::Severity::Warning : analysis::Severity::Caution).data())
              : QStringLiteral("acknowledged"),
         QString::fromStdString(newest.channel),
         QStringLiteral("%1 of %2 flights since %3 · %4")
             .arg(issue.items.size())
             .arg(since)
             .arg(issue.first, QString::fromStdString(newest.text)),
         QString(), QString::fromStdString(newest.hint)});
    group->setData(0, kFlightRole, -1);
    group->setIcon(2, look->style()->standardIcon(warning ? QStyle::SP_MessageBoxCritical : QStyle::SP_MessageBoxWarning));
    if (!open)
      for (int c = 0; c < group->columnCount(); ++c)
        group->setForeground(c, look->palette().brush(QPalette::Disabled, QPalette::Text));
    for (QTreeWidgetItem* item : issue.items) group->addChild(item);
    markResolved(key, group);
    rows.append(group);
  }
  if (QTreeWidgetItem* maintenance = maintenanceGroup(*log)) rows.prepend(maintenance);
  addTopLevelItems(rows);
  RefitColumns(this);
  return count;
}

}  // namespace varnix::app::logbook
