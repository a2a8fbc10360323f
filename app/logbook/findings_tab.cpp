// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/logbook/findings_tab.h"

#include "app/shared/column_fit.h"

#include <QStyle>
#include <algorithm>
#include <cmath>

namespace varnix::app::logbook {

namespace {

constexpr int kFlightRole = Qt::UserRole;      // the flight's row in the log (-1: none)
constexpr int kTimeRole = Qt::UserRole + 1;    // seconds from the flight's start
constexpr int kTextColumn = 4, kAdviceColumn = 6;

}  // namespace

FindingsTab::FindingsTab(QWidget* parent) : QTreeWidget(parent) {
  setObjectName(QStringLiteral("lstFindings"));
  setRootIsDecorated(false);
  setAlternatingRowColors(true);
  setHeaderLabels({QStringLiteral("Date"), QStringLiteral("Flight"), QStringLiteral("Severity"),
                   QStringLiteral("Channel"), QStringLiteral("Finding"), QStringLiteral("Above"),
                   QStringLiteral("Look at")});
  // The finding's text and its advice take the width the others leave.
  FitColumns(this, {kTextColumn, kAdviceColumn});
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
  QList<QTreeWidgetItem*> items;
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
    items.append(item);
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
  addTopLevelItems(items);
  RefitColumns(this);
  return static_cast<int>(items.size());
}

}  // namespace varnix::app::logbook
