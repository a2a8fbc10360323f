// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/logbook/flights_filter.h"

#include "app/logbook/logbook_model.h"

namespace varnix::app::logbook {

FlightsFilter::FlightsFilter(QObject* parent) : QSortFilterProxyModel(parent) {}

void FlightsFilter::setWithFindings(bool only) {
  if (only == withFindings_) return;
#if QT_VERSION >= QT_VERSION_CHECK(6, 9, 0)
  beginFilterChange();
  withFindings_ = only;
  endFilterChange(QSortFilterProxyModel::Direction::Rows);
#else
  withFindings_ = only;
  invalidateRowsFilter();
#endif
}

bool FlightsFilter::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const {
  if (withFindings_) {
    const QModelIndex findings = sourceModel()->index(sourceRow, LogbookModel::Findings, sourceParent);
    if (findings.data(LogbookModel::kSortRole).toInt() == 0) return false;
  }
  return QSortFilterProxyModel::filterAcceptsRow(sourceRow, sourceParent);
}

}  // namespace varnix::app::logbook
