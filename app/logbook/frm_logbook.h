// SPDX-License-Identifier: GPL-3.0-or-later
// The logbook: the aircraft of the data folder, and for one of them its
// flights (a sortable, filterable table), their trends and every finding,
// with the Fleet beside them; each tab is its own class (flights_tab.h,
// trends_chart.h, findings_tab.h, fleet_tab.h). The window owns the tabs,
// the catalog worker and the import: it shows what the catalog already
// knows at once and fills in while the catalog indexes on its own thread
// (a progress line says how far).
#pragma once

#include <QString>
#include <QStringList>
#include <map>
#include <memory>
#include <vector>

#include "analysis/aircraft_rules.h"
#include "frontend/import_logs.h"
#include "store/fleet.h"
#include "store/logbook.h"
#include "app/logbook/catalog_worker.h"
#include "app/shared/background_task.h"
#include "app/shared/forms.h"

class QCheckBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSortFilterProxyModel;
class QTabWidget;
class QTableView;
class QTreeWidget;
class QTreeWidgetItem;
class QVBoxLayout;

namespace varnix::app::flight_view {
class FlightWindow;
}

namespace varnix::app::logbook {

class FindingsTab;
class FleetTab;
class FlightsTab;
class TrendsChart;

class FrmLogbook : public Form {
  Q_OBJECT

 public:
  static constexpr const char* kName = "frmLogbook";

  FrmLogbook();
  ~FrmLogbook() override;
  void load() override;

  // Shows the logbook of `dataFolder` (the program's data folder by default).
  void openFolder(const QString& dataFolder);
  // The catalog and every count again, for the folder open: what was new
  // when it was opened stays new.
  void refresh();
  bool indexing() const;

  // Imports `files` into the aircraft folder `aircraft` (an id) of the data
  // folder on a worker thread, as varnix-cli import does, then indexes the
  // folder again; importFinished tells the outcome. "Import flight logs…"
  // asks for the files and the aircraft and calls this.
  void importLogs(const QStringList& files, const QString& aircraft);
  // One line per file of the last import (imported, already there, refused).
  const QStringList& lastImport() const { return lastImport_; }
  // Each file of the last import with what became of it, in a window of its own.
  void showImportList();

  // Opens the flight window of `path` with its cursor at `seconds` from the start.
  static flight_view::FlightWindow* openFlightAt(const QString& path, double seconds);

  QListWidget* aircraftList() const { return aircraft_; }
  QTableView* flightsTable() const;
  // Two flights selected in the table: the upper one's window compares it
  // with the other; one: with the aircraft's baseline.
  QPushButton* compareButton() const { return compare_; }
  void compareSelected();
  // The flight's window with its cruise figures beside the aircraft's baseline.
  void compareWithBaseline(int flightIndex);
  QSortFilterProxyModel* flightsProxy() const;
  TrendsChart* trends() const { return trends_; }
  QTreeWidget* findingsList() const;
  QTabWidget* tabs() const { return tabs_; }
  QLabel* progressLine() const { return progress_; }
  QLabel* limitsProblemsLine() const { return limitsProblems_; }
  QLabel* enginePresetLine() const { return enginePreset_; }
  // "Maintenance…": the selected aircraft's maintenance log, read on a
  // worker thread, in its editor; a save refreshes every view of it.
  void editMaintenance();
  const store::AircraftLog* currentLog() const { return log_.get(); }

  // Selects the aircraft folder `folder` and in its flights the newest of
  // `files` (paths relative to the data folder), now or once the catalog
  // shows them: the download's "Open logbook".
  Q_INVOKABLE void showFlights(const QString& folder, const QStringList& files);

  // The Fleet tab: one row per aircraft, as the aircraft list counts them.
  QTreeWidget* fleetList() const;
  const std::vector<store::FleetRow>& fleetRows() const;
  QCheckBox* withFindingsBox() const;
  QLabel* totalsLine() const;  // "12 of 130 flights · 18.4 h · …" of the shown rows
  // The shown rows of the flights table (filtered, in their order) as CSV
  // text, the column titles first.
  QString shownCsv() const;
  // Writes shownCsv() whole to `path`; an existing file is replaced only
  // with `replace`. The problem for a message, empty when written.
  QString writeShownCsv(const QString& path, bool replace) const;
  // The window's size, splitter and tab, kept in the program's settings.
  void rememberLayout() const;
  void restoreLayout();

 signals:
  void caughtUp();  // the catalog is up to date and shown
  void importFinished(int exitCode);  // as varnix-cli import's exit code

 protected:
  void unloadHandler() override;

 private:
  void showSnapshot(std::shared_ptr<const CatalogSnapshot> snapshot);
  void showProgress(std::size_t done, std::size_t total);
  void startWorker(std::optional<std::map<std::string, std::int64_t>> keptLooks);
  void showAircraft();
  void showFindings();  // the Findings tab and its count, of the log shown
  void showLimitsProblems(const analysis::AircraftRules& rules);
  void openFlight(int flightIndex, double seconds);
  void editLimits();
  void saveReport();
  void addAircraftReport(QHBoxLayout* buttons);
  QString aircraftName() const;
  void chooseAndImport();
  void showImport(const frontend::ImportResult& result);
  QString selectedFolder() const;
  void widenAircraftList();
  void addAircraftListLook();
  void selectPendingFlight();
  void exportCsv();

  QString dataFolder_;
  std::unique_ptr<CatalogWorker> worker_;
  std::shared_ptr<const CatalogSnapshot> snapshot_;
  std::shared_ptr<const store::AircraftLog> log_;
  QListWidget* aircraft_ = nullptr;
  QTabWidget* tabs_ = nullptr;
  FlightsTab* flights_ = nullptr;
  TrendsChart* trends_ = nullptr;
  FindingsTab* findings_ = nullptr;
  FleetTab* fleet_ = nullptr;
  QPushButton* compare_ = nullptr;
  QLabel* progress_ = nullptr;
  QLabel* limitsProblems_ = nullptr;  // beside Limits…: what in the aircraft's file does not apply
  QLabel* enginePreset_ = nullptr;    // beside it: the engine preset the aircraft's limits come from
  QPushButton* report_ = nullptr;
  QPushButton* import_ = nullptr;
  QStringList lastImport_;
  QString importStatus_;  // the last import's status line (rich text), until the catalog has caught up
  BackgroundTask importTask_{this};  // cancelled when the window closes: the file being copied is finished
  BackgroundTask maintenanceOpen_{this};  // the same for the editor
  QString pendingFolder_;       // showFlights() waiting for the catalog
  QStringList pendingFiles_;
};

}  // namespace varnix::app::logbook
