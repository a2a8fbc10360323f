// SPDX-License-Identifier: GPL-3.0-or-later
// One section of an analysis's result (result_sections.h) on the Summary
// tab: its title, its lines (a tone as a colour, a strong run in bold), the
// chart it names and its table, each figure with its unit. A click on a row
// asks to show its span or its moment, as the section says.
#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

#include "analysis/engine_analysis.h"
#include "analysis/result_sections.h"
#include "flight/flight.h"

class QLabel;
class QTableWidget;

namespace varnix::app::flight_view {

// What the first cell of a Summary table's row keeps: the span the row stands
// for and its moment (a test's, a finding's peak); a row without a moment is
// not chosen by a click.
inline constexpr int kRowStartRole = Qt::UserRole;
inline constexpr int kRowEndRole = Qt::UserRole + 1;
inline constexpr int kRowAtRole = Qt::UserRole + 2;

// A table as the Summary tab draws them, read-only, chosen by the row.
// `stretch`: the last column takes the width left (a text); else the table is as wide as its columns.
QTableWidget* SummaryTable(const QStringList& columns, const QString& name, bool stretch = false);
// Every row shown, no more: the table's height follows its rows.
void FitRows(QTableWidget* t);

class SectionView : public QWidget {
  Q_OBJECT

 public:
  // `analysis`: what the section's chart is drawn from.
  SectionView(const flight::Flight& flight, const analysis::EngineAnalysis& analysis, const analysis::ResultSection& section,
              QWidget* parent = nullptr);

  QString title() const { return title_; }
  QLabel* text() const { return text_; }        // null when the section has no lines
  QTableWidget* table() const { return table_; }  // null when it shows no table

 signals:
  void timeChosen(double at);
  void spanChosen(double start, double end);

 private:
  QString title_;
  QLabel* text_ = nullptr;
  QTableWidget* table_ = nullptr;
};

}  // namespace varnix::app::flight_view
