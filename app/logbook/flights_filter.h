// SPDX-License-Identifier: GPL-3.0-or-later
// The logbook table's filter: the typed text in any column, and with
// "With findings" checked only the flights that have a finding.
#pragma once

#include <QSortFilterProxyModel>

namespace varnix::app::logbook {

class FlightsFilter : public QSortFilterProxyModel {
 public:
  explicit FlightsFilter(QObject* parent = nullptr);
  void setWithFindings(bool only);
  bool withFindings() const { return withFindings_; }

 protected:
  bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

 private:
  bool withFindings_ = false;
};

}  // namespace varnix::app::logbook
