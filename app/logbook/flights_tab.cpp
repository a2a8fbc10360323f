// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/logbook/flights_tab.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <set>

#include "app/logbook/flights_filter.h"
#include "app/shared/column_fit.h"
#include "app/logbook/logbook_model.h"
#include "render/library_text.h"
#include "render/whole_file.h"
#include "store/fleet.h"

namespace varnix::app::logbook {

FlightsTab::FlightsTab(QWidget* parent) : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  filter_ = new QLineEdit(this);
  filter_->setObjectName(QStringLiteral("txtFilter"));
  filter_->setPlaceholderText(QStringLiteral("Filter flights (date, flight number, cylinder, file…)"));
  filter_->setClearButtonEnabled(true);
  layout->addWidget(filter_);
  table_ = new QTableView(this);
  table_->setObjectName(QStringLiteral("grdFlights"));
  model_ = new LogbookModel(this);
  filterModel_ = new FlightsFilter(this);
  filterModel_->setSourceModel(model_);
  filterModel_->setSortRole(LogbookModel::kSortRole);
  filterModel_->setFilterKeyColumn(-1);
  filterModel_->setFilterCaseSensitivity(Qt::CaseInsensitive);
  table_->setModel(filterModel_);
  table_->setSortingEnabled(true);
  table_->sortByColumn(LogbookModel::Date, Qt::DescendingOrder);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::ExtendedSelection);  // two for Compare
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setAlternatingRowColors(true);
  table_->verticalHeader()->hide();
  table_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  // The file names take the width the figures leave.
  FitColumns(table_, {LogbookModel::File});
  layout->addWidget(table_);

  auto* under = new QHBoxLayout;
  withFindings_ = new QCheckBox(QStringLiteral("With &findings"), this);
  withFindings_->setObjectName(QStringLiteral("chkWithFindings"));
  withFindings_->setToolTip(QStringLiteral("Only the flights with a finding (the Findings column)"));
  under->addWidget(withFindings_);
  totals_ = new QLabel(this);
  totals_->setObjectName(QStringLiteral("lblTotals"));
  totals_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  totals_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  under->addWidget(totals_, 1);
  layout->addLayout(under);

  connect(filter_, &QLineEdit::textChanged, filterModel_, &QSortFilterProxyModel::setFilterFixedString);
  connect(table_, &QTableView::activated, this, [this](const QModelIndex& index) {
    emit flightActivated(index.data(LogbookModel::kFlightIndexRole).toInt());
  });
  connect(table_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { emit selectionChanged(); });
  connect(withFindings_, &QCheckBox::toggled, this, [this](bool on) { filterModel_->setWithFindings(on); });
  for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
    connect(filterModel_, signal, this, [this] { showTotals(); });
  connect(filterModel_, &QAbstractItemModel::modelReset, this, [this] { showTotals(); });
  connect(filterModel_, &QAbstractItemModel::layoutChanged, this, [this] { showTotals(); });
}

QSortFilterProxyModel* FlightsTab::proxy() const { return filterModel_; }

void FlightsTab::setLog(std::shared_ptr<const store::AircraftLog> log) {
  log_ = std::move(log);
  model_->setLog(log_);
  RefitColumns(table_);
  showTotals();
}

QModelIndexList FlightsTab::selectedRows() const { return table_->selectionModel()->selectedRows(); }

int FlightsTab::currentFlight() const {
  const QModelIndex current = table_->currentIndex();
  return current.isValid() ? current.data(LogbookModel::kFlightIndexRole).toInt() : 0;
}

int FlightsTab::rowOfFlightWith(const QStringList& files) const {
  if (!log_) return -1;
  const std::set<QString> wanted(files.begin(), files.end());
  for (int r = 0; r < filterModel_->rowCount(); ++r) {
    const QModelIndex index = filterModel_->index(r, 0);
    const store::LogbookFlight& f = log_->flights[static_cast<std::size_t>(index.data(LogbookModel::kFlightIndexRole).toInt())];
    for (const std::string& file : f.files)
      if (wanted.count(QString::fromStdString(file))) return r;
  }
  return -1;
}

void FlightsTab::selectRow(int row) {
  table_->selectRow(row);
  table_->scrollTo(filterModel_->index(row, 0));
}

void FlightsTab::showTotals() {
  std::vector<const store::LogbookFlight*> shown;
  if (log_)
    for (int r = 0; r < filterModel_->rowCount(); ++r) {
      const int i = filterModel_->index(r, 0).data(LogbookModel::kFlightIndexRole).toInt();
      if (i >= 0 && static_cast<std::size_t>(i) < log_->flights.size()) shown.push_back(&log_->flights[static_cast<std::size_t>(i)]);
    }
  const std::size_t all = log_ ? log_->flights.size() : 0;
  totals_->setText(QString::fromStdString(store::TotalsText(store::TotalFlights(shown), all)));
}

QString FlightsTab::shownCsv() const {
  std::vector<std::vector<std::string>> rows;
  std::vector<std::string> titles;
  for (int c = 0; c < LogbookModel::ColumnCount; ++c)
    titles.push_back(toLibraryText(model_->headerData(c, Qt::Horizontal).toString()));
  rows.push_back(std::move(titles));
  for (int r = 0; r < filterModel_->rowCount(); ++r) {
    std::vector<std::string> row;
    for (int c = 0; c < LogbookModel::ColumnCount; ++c) {
      const QModelIndex index = filterModel_->index(r, c);
      // The date without the "new" mark the screen adds.
      const QString text = c == LogbookModel::Date
                               ? index.data(LogbookModel::kSortRole).toString().replace(QLatin1Char('T'), QLatin1Char(' '))
                               : index.data().toString();
      row.push_back(toLibraryText(text));
    }
    rows.push_back(std::move(row));
  }
  return QString::fromStdString(store::CsvText(rows));
}

QString FlightsTab::writeShownCsv(const QString& path, bool replace) const {
  const QByteArray bytes = shownCsv().toUtf8();
  const render::WholeFile written =
      render::writeWholeFile(path, replace ? platform::ReplacingFile::Mode::Replace : platform::ReplacingFile::Mode::NeverReplace,
                             [&bytes](QIODevice& out) { return out.write(bytes) == bytes.size(); });
  if (written.written()) return {};
  if (written.code == render::WholeFile::Code::NameTaken)
    return QStringLiteral("The file %1 exists already; it is left as it was.").arg(path);
  return QStringLiteral("The CSV file cannot be written.\n\n%1").arg(written.reason(path));
}

}  // namespace varnix::app::logbook
