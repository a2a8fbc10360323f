// SPDX-License-Identifier: GPL-3.0-or-later
// The flight window: a header strip with the flight's facts and headline
// figures, the Summary tab (first) with the engine analysis, the
// stacked charts with the read-out beside them, and a table of every row. One window per flight file; the file is read off the GUI
// thread while the window already shows.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <memory>
#include <optional>

#include "render/report_pdf.h"
#include "flight/flight.h"
#include "analysis/engine_analysis.h"
#include "analysis/flight_analysis.h"
#include "analysis/cruise_baselines.h"
#include "frontend/compare/flight_compare.h"
#include "frontend/chart/value_extremes.h"
#include "app/shared/background_task.h"

class QLabel;
class QTabWidget;
class QTableView;
class QTimer;
class QMenu;
class QScrollArea;
class QActionGroup;

namespace varnix::app::flight_view {

class FlightChart;
class SummaryView;

class FlightWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit FlightWindow(QWidget* parent = nullptr);
  ~FlightWindow() override;

  // Opens the flight window of `path`, or raises it when it is open already.
  static FlightWindow* open(const QString& path);

  void openFile(const QString& path);  // reads in a worker thread
  // `analysis`: the flight's analysis when the caller has it already (the reading thread makes it);
  // `engine`: its engine analysis under the aircraft's limits, with the problems of the folder's files
  // (without it the Summary tab stays empty: it is never computed on the GUI thread);
  // `preset`: the engine preset its limits come from (analysis::PresetText), "" for none.
  void showFlight(const QString& path, std::shared_ptr<const flight::Flight> flight,
                  std::optional<analysis::FlightAnalysis> analysis = std::nullopt,
                  std::optional<analysis::EngineAnalysis> engine = std::nullopt, const QStringList& problems = {},
                  const QString& preset = {});

  const QString& path() const { return path_; }
  bool isLoaded() const { return flight_ != nullptr; }
  const QString& problem() const { return problem_; }
  FlightChart* chart() const { return chart_; }
  QTableView* table() const { return table_; }
  QLabel* cursorReadout() const { return cursorReadout_; }
  QLabel* rangeReadout() const { return rangeReadout_; }
  QLabel* headerStrip() const { return header_; }
  QTabWidget* tabs() const { return tabs_; }
  SummaryView* summary() const { return summary_; }
  QWidget* chartsPage() const { return chartsPage_; }
  // The Charts tab, its keys the chart's.
  void showCharts();

  void savePicture();
  void copyPicture();
  QSize pictureSize() const;

  // Another flight drawn dashed over the charts, aligned as `alignBy` says;
  // its file is read off the GUI thread (compared tells when it is shown, or
  // comparisonProblem why it cannot be). "Compare with…" asks for the file.
  void compareWith(const QString& path);
  void chooseComparison();
  void setAlignBy(frontend::AlignBy by);
  frontend::AlignBy alignBy() const { return alignBy_; }
  void stopComparing();
  bool isComparing() const;
  const QString& comparisonProblem() const { return compareProblem_; }
  QLabel* compareHeading() const { return compareHeading_; }
  // The flight's cruise EGT and CHT beside the aircraft's baseline (the
  // logbook has it), at the top of the read-out.
  void showBaseline(const std::vector<analysis::CruiseBaseline>& baselines);
  QLabel* baselineReadout() const { return baselineReadout_; }
  // What the maintenance before this flight changed, at the top of its Summary.
  void showMaintenance(const QStringList& effects);
  // The ruler's figures, above the values at the cursor while a span is set.
  QLabel* rulerReadout() const { return rulerReadout_; }
  QScrollArea* readoutScroll() const { return readoutScroll_; }

 signals:
  void loaded();
  void rowsCharted();  // the rows are in the charts; the analyses, header and read-out follow with loaded()
  void compared();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // The window's title and its chart panels for `flight`, a header without
  // rows or the whole flight; once.
  void layOutCharts(std::shared_ptr<const flight::Flight> flight);
  // The rows in the charts as soon as they are read, before the analyses.
  void showRows(std::shared_ptr<const flight::Flight> flight);
  void showProblem(const QString& problem);
  void cursorMoved(std::size_t row);
  void updateRangeReadout();
  void addCompareActions(QMenu* view);
  void applyComparison();  // once both flights are read
  // Flight B for the report, as it is compared here; none when not comparing.
  std::optional<render::ComparedFile> comparedFile() const;
  void updateCompareHeading();
  void saveLayout();
  void fitToScreen();
  void updatePanelsMenu();
  QString layoutKey() const;     // per layout (single, extended, twin) and panels
  QString oldLayoutKey() const;  // by panels alone, as kept before

  QString layout_;

  QString path_;
  QString problem_;
  std::shared_ptr<const flight::Flight> flight_;
  analysis::FlightAnalysis analysis_;
  QLabel* header_ = nullptr;
  QTabWidget* tabs_ = nullptr;
  SummaryView* summary_ = nullptr;
  QWidget* chartsPage_ = nullptr;
  FlightChart* chart_ = nullptr;
  QLabel* cursorReadout_ = nullptr;
  QLabel* rangeReadout_ = nullptr;
  QTableView* table_ = nullptr;
  QMenu* panelsMenu_ = nullptr;
  QTimer* rangeTimer_ = nullptr;
  // The file's reading and analyses; cancelled, never waited for, when the window goes.
  BackgroundTask reader_{this};
  bool chartsLaidOut_ = false;
  bool selectingRow_ = false;

  // Comparing: flight B, its file and moments, A's moments, the reading thread.
  QScrollArea* readoutScroll_ = nullptr;
  QLabel* compareHeading_ = nullptr;
  QLabel* rulerReadout_ = nullptr;
  std::optional<bool> rulerPerChannel_;  // the ruler's change per channel shown or folded, as asked; none: as it fits
  QLabel* baselineReadout_ = nullptr;
  QAction* stopCompareAction_ = nullptr;
  QActionGroup* alignGroup_ = nullptr;
  frontend::AlignBy alignBy_ = frontend::AlignBy::Takeoff;
  frontend::FlightMoments moments_;
  QString comparePath_;
  QString compareProblem_;
  std::shared_ptr<const flight::Flight> compareFlight_;
  std::shared_ptr<const std::vector<frontend::ValueExtremes>> compareExtremes_;
  frontend::FlightMoments compareMoments_;
  BackgroundTask compareReader_{this};
  bool readingComparison_ = false;
};

}  // namespace varnix::app::flight_view
