// SPDX-License-Identifier: GPL-3.0-or-later
// The flight window's Summary tab: the engine analysis of the flight as the
// reading thread found it (AnalyseEngine), painted at once: the phases as a
// timeline of bands, then every analysis's sections as the analyses describe
// them (DescribeAnalyses; the Summary knows no analysis by name), and the
// findings (open, then acknowledged with their reasons) after the first row
// of them. A click on an item asks the window to move the charts' cursor or
// range there.
#pragma once

#include <QColor>
#include <QScrollArea>
#include <QStringList>
#include <memory>
#include <vector>

#include "analysis/engine_analysis.h"
#include "flight/flight.h"

class QGridLayout;
class QLabel;
class QTableWidget;

namespace varnix::app::flight_view {

// A phase's shade, in the Summary's timeline and along the charts.
QColor PhaseColour(analysis::Phase phase);

// The phases as shaded bands along the flight's time; a click on a band asks to zoom to it.
class PhaseTimeline : public QWidget {
  Q_OBJECT

 public:
  explicit PhaseTimeline(QWidget* parent = nullptr);
  void setPhases(std::vector<analysis::PhaseSpan> spans, std::vector<analysis::Finding> findings, double length);
  // Band `i`'s place in the widget; empty when it has none.
  QRect bandRect(int i) const;
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 signals:
  void spanChosen(double start, double end);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  double xOf(double seconds) const;
  std::vector<analysis::PhaseSpan> spans_;
  std::vector<analysis::Finding> findings_;
  double length_ = 0;
};

class SectionView;

class SummaryView : public QScrollArea {
  Q_OBJECT

 public:
  explicit SummaryView(QWidget* parent = nullptr);

  // `problems`: what was wrong with the aircraft's limits or acknowledgements files.
  void showAnalysis(std::shared_ptr<const flight::Flight> flight, const analysis::EngineAnalysis& analysis,
                    const QStringList& problems);

  // What the maintenance done before this flight changed, one text a line
  // (the logbook knows it: the flight is the first after the work); none hides it.
  void showMaintenance(const QStringList& effects);
  QLabel* maintenanceText() const { return maintenance_; }

  PhaseTimeline* timeline() const { return timeline_; }
  QTableWidget* findingTable() const { return findings_; }
  QTableWidget* acknowledgedTable() const { return acknowledged_; }
  // The titles of the analyses' sections, in their order; a section's lines
  // and its table by its title (null when it has none).
  QStringList sectionTitles() const;
  QLabel* sectionText(const QString& title) const;
  QTableWidget* sectionTable(const QString& title) const;

 signals:
  // Times in seconds from the flight's first row.
  void timeChosen(double at);                            // the cursor goes there
  void spanChosen(double start, double end);             // the charts zoom to it
  void findingChosen(double peakAt, double start, double end);  // cursor at the peak, its span shaded

 private:
  void fillFindings(const analysis::EngineAnalysis& a);
  void fillSections(const analysis::EngineAnalysis& a);
  const SectionView* section(const QString& title) const;

  std::shared_ptr<const flight::Flight> flight_;
  QLabel* problems_ = nullptr;
  QLabel* maintenanceTitle_ = nullptr;
  QLabel* maintenance_ = nullptr;
  PhaseTimeline* timeline_ = nullptr;
  // The first row of sections stands above the findings, the others below, two to a row.
  QGridLayout* sectionsAbove_ = nullptr;
  QGridLayout* sectionsBelow_ = nullptr;
  std::vector<SectionView*> sections_;
  QTableWidget* findings_ = nullptr;
  QLabel* acknowledgedTitle_ = nullptr;
  QTableWidget* acknowledged_ = nullptr;
};

}  // namespace varnix::app::flight_view
