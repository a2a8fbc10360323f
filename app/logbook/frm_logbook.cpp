// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/logbook/frm_logbook.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QSettings>
#include <algorithm>
#include <QSortFilterProxyModel>
#include <QSplitter>
#include <QStyle>
#include <QTabWidget>
#include <QTableView>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <chrono>
#include <cmath>
#include <set>

#include "app/flight/flight_chart.h"
#include "app/flight/flight_window.h"
#include "frontend/import_logs.h"
#include "frontend/guarded_work.h"
#include "app/logbook/findings_tab.h"
#include "app/logbook/fleet_tab.h"
#include "app/logbook/limits_editor.h"
#include "app/logbook/maintenance_editor.h"
#include "app/logbook/flights_tab.h"
#include "app/logbook/logbook_model.h"
#include "app/logbook/trends_chart.h"
#include "app/report/aircraft_report.h"
#include "app/report/flight_report.h"
#include "render/library_text.h"
#include "app/shared/column_fit.h"
#include "app/shared/message_box.h"
#include "app/shared/mod_status_bar.h"
#include "app/shared/window_placement.h"
#include "app/shared/pictures.h"
#include "store/catalog.h"

namespace varnix::app::logbook {

namespace {

std::string fileName(const QString& s) { return toLibraryText(s); }

// The counts of an aircraft for the list's second line.
QString aircraftLine(const store::FleetRow& row) { return QString::fromStdString(store::FleetRowText(row)); }

}  // namespace

FrmLogbook::FrmLogbook() : Form(kName) {
  setWindowTitle(QStringLiteral("Varnix Logbook"));
  setWindowIcon(pictureIcon(QStringLiteral("varnix")));
  auto* page = new QVBoxLayout(this);

  auto* split = new QSplitter(this);
  aircraft_ = new QListWidget(split);
  aircraft_->setObjectName(QStringLiteral("lstAircraft"));
  aircraft_->setMinimumWidth(150);
  aircraft_->setIconSize(QSize(16, 16));  // the status icon beside the name, as small as the text
  addAircraftListLook();
  tabs_ = new QTabWidget(split);
  tabs_->setObjectName(QStringLiteral("tabLogbook"));
  split->addWidget(aircraft_);
  split->addWidget(tabs_);
  split->setStretchFactor(1, 1);
  split->setSizes({230, 1000});
  page->addWidget(split, 1);

  flights_ = new FlightsTab(tabs_);
  tabs_->addTab(flights_, QStringLiteral("Flights"));

  trends_ = new TrendsChart(tabs_);
  tabs_->addTab(trends_, QStringLiteral("Trends"));

  findings_ = new FindingsTab(tabs_);
  tabs_->addTab(findings_, QStringLiteral("Findings"));

  fleet_ = new FleetTab(tabs_);
  tabs_->addTab(fleet_, QStringLiteral("Fleet"));

  auto* bottom = new QHBoxLayout;
  progress_ = new QLabel(this);
  progress_->setObjectName(QStringLiteral("lblProgress"));
  // An import's status can be long: it wraps rather than widen the window past the screen.
  progress_->setWordWrap(true);
  bottom->addWidget(progress_, 1);
  connect(progress_, &QLabel::linkActivated, this, [this] { showImportList(); });
  limitsProblems_ = new QLabel(this);
  limitsProblems_->setObjectName(QStringLiteral("lblLimitsProblems"));
  limitsProblems_->setStyleSheet(QStringLiteral("color: #b00000"));
  bottom->addWidget(limitsProblems_);
  enginePreset_ = new QLabel(this);
  enginePreset_->setObjectName(QStringLiteral("lblEnginePreset"));
  bottom->addWidget(enginePreset_);
  auto* limits = new QPushButton(QStringLiteral("&Limits…"), this);
  limits->setObjectName(QStringLiteral("cmdLimits"));
  auto* maintenance = new QPushButton(QStringLiteral("Mai&ntenance…"), this);
  maintenance->setObjectName(QStringLiteral("cmdMaintenance"));
  maintenance->setToolTip(QStringLiteral("The aircraft's maintenance log: what was done and when"));
  report_ = new QPushButton(QStringLiteral("Save &report…"), this);
  report_->setObjectName(QStringLiteral("cmdReport"));
  auto* close = new QPushButton(QStringLiteral("&Close"), this);
  close->setObjectName(QStringLiteral("cmdClose"));
  import_ = new QPushButton(QStringLiteral("&Import flight logs…"), this);
  import_->setObjectName(QStringLiteral("cmdImport"));
  compare_ = new QPushButton(QStringLiteral("Co&mpare"), this);
  compare_->setObjectName(QStringLiteral("cmdCompare"));
  compare_->setToolTip(
      QStringLiteral("Two flights selected: the upper one's window shows the other dashed over it.\n"
                     "One flight: its window shows its cruise figures beside the aircraft's baseline."));
  compare_->setEnabled(false);
  bottom->addWidget(compare_);
  bottom->addWidget(import_);
  bottom->addWidget(limits);
  bottom->addWidget(maintenance);
  bottom->addWidget(report_);
  auto* exportCsv = new QPushButton(QStringLiteral("E&xport CSV…"), this);
  exportCsv->setObjectName(QStringLiteral("cmdExportCsv"));
  exportCsv->setToolTip(QStringLiteral("The flights the table shows, filtered and sorted as shown"));
  bottom->addWidget(exportCsv);
  addAircraftReport(bottom);
  bottom->addWidget(close);
  page->addLayout(bottom);

  connect(aircraft_, &QListWidget::currentRowChanged, this, [this] { showAircraft(); });
  connect(flights_, &FlightsTab::flightActivated, this, [this](int flight) { openFlight(flight, 0); });
  connect(trends_, &TrendsChart::flightClicked, this, [this](int flight) { openFlight(flight, 0); });
  connect(findings_, &FindingsTab::findingActivated, this, &FrmLogbook::openFlight);
  connect(flights_, &FlightsTab::selectionChanged, this, [this] {
    const QItemSelectionModel* selection = flights_->table()->selectionModel();
    compare_->setEnabled(selection->selectedRows().size() <= 2 && selection->hasSelection());
  });
  connect(fleet_, &FleetTab::aircraftActivated, this, [this](const QString& folder) {
    for (int r = 0; r < aircraft_->count(); ++r)
      if (aircraft_->item(r)->data(Qt::UserRole).toString() == folder) aircraft_->setCurrentRow(r);
    tabs_->setCurrentIndex(0);
  });
  connect(exportCsv, &QPushButton::clicked, this, &FrmLogbook::exportCsv);
  connect(compare_, &QPushButton::clicked, this, &FrmLogbook::compareSelected);
  connect(limits, &QPushButton::clicked, this, &FrmLogbook::editLimits);
  connect(maintenance, &QPushButton::clicked, this, &FrmLogbook::editMaintenance);
  connect(report_, &QPushButton::clicked, this, &FrmLogbook::saveReport);
  connect(import_, &QPushButton::clicked, this, &FrmLogbook::chooseAndImport);
  connect(close, &QPushButton::clicked, this, [this] { unloadForm(this); });
}

FrmLogbook::~FrmLogbook() = default;

QTableView* FrmLogbook::flightsTable() const { return flights_->table(); }
QSortFilterProxyModel* FrmLogbook::flightsProxy() const { return flights_->proxy(); }
QCheckBox* FrmLogbook::withFindingsBox() const { return flights_->withFindingsBox(); }
QLabel* FrmLogbook::totalsLine() const { return flights_->totalsLine(); }
QTreeWidget* FrmLogbook::findingsList() const { return findings_; }
QTreeWidget* FrmLogbook::fleetList() const { return fleet_; }
const std::vector<store::FleetRow>& FrmLogbook::fleetRows() const { return fleet_->rows(); }

void FrmLogbook::load() {
  resize(1200, 720);
  modStatusBar::CenterForm(this);
  restoreLayout();
  if (dataFolder_.isEmpty() && !modStatusBar::DataFolder.isEmpty()) openFolder(modStatusBar::DataFolder);
}

void FrmLogbook::unloadHandler() {
  rememberLayout();
  worker_.reset();
  importTask_.cancel();
}

bool FrmLogbook::indexing() const { return worker_ && worker_->running(); }

void FrmLogbook::openFolder(const QString& dataFolder) {
  dataFolder_ = dataFolder;
  worker_.reset();  // stops an indexing of another folder
  progress_->setTextFormat(Qt::PlainText);
  progress_->setText(QStringLiteral("Opening the flight catalog…"));
  startWorker({});
}

void FrmLogbook::startWorker(std::optional<std::map<std::string, std::int64_t>> keptLooks) {
  worker_ = std::make_unique<CatalogWorker>(
      this, [this](std::shared_ptr<const CatalogSnapshot> s) { showSnapshot(std::move(s)); },
      [this](std::size_t done, std::size_t total) { showProgress(done, total); },
      [this] {
        progress_->setText(QStringLiteral("Another program holds the flight catalog: waiting for it (up to %1 s)…")
                               .arg(std::chrono::duration_cast<std::chrono::seconds>(store::kCatalogWait).count()));
      });
  worker_->start(dataFolder_, std::move(keptLooks));
}

void FrmLogbook::refresh() {
  if (dataFolder_.isEmpty()) return;
  std::optional<std::map<std::string, std::int64_t>> looks;
  if (snapshot_) looks = snapshot_->lastLooks;
  worker_.reset();
  progress_->setTextFormat(Qt::PlainText);
  progress_->setText(QStringLiteral("Opening the flight catalog…"));
  startWorker(std::move(looks));
}

void FrmLogbook::showProgress(std::size_t done, std::size_t total) {
  if (total > 0) {
    progress_->setText(QStringLiteral("Indexing flights: %1 of %2…").arg(done).arg(total));
    return;
  }
  std::size_t flights = 0;
  if (snapshot_)
    for (const auto& e : *snapshot_->entries) flights += e.problem.empty();
  QString text = QStringLiteral("%1 flight files in the catalog.").arg(flights);
  if (snapshot_ && !snapshot_->problem.empty())
    text = QStringLiteral("The flight catalog: %1").arg(QString::fromStdString(snapshot_->problem));
  if (importStatus_.isEmpty()) {
    progress_->setTextFormat(Qt::PlainText);
    progress_->setText(text);
  } else {
    progress_->setTextFormat(Qt::RichText);
    progress_->setText(importStatus_ + QStringLiteral(" · ") + text.toHtmlEscaped());
    importStatus_.clear();
  }
  pendingFolder_.clear();  // the catalog has all it will show
  pendingFiles_.clear();
  emit caughtUp();
}

void FrmLogbook::showSnapshot(std::shared_ptr<const CatalogSnapshot> snapshot) {
  snapshot_ = std::move(snapshot);
  const QString selected = pendingFolder_.isEmpty() ? selectedFolder() : pendingFolder_;
  fleet_->build(*snapshot_);
  const QSignalBlocker block(aircraft_);
  aircraft_->clear();
  int row = 0;
  for (const store::FleetRow& r : fleet_->rows()) {
    const QString folder = QString::fromStdString(r.folder);
    auto* item = new QListWidgetItem(folder + QLatin1Char('\n') + aircraftLine(r), aircraft_);
    item->setData(Qt::UserRole, folder);
    item->setToolTip(QString::fromStdString(r.status));
    // Its health at a glance: the worst open issue's severity, nothing when none is open.
    if (r.issues > 0)
      item->setIcon(style()->standardIcon(r.warning ? QStyle::SP_MessageBoxCritical : QStyle::SP_MessageBoxWarning));
    if (folder == selected) row = aircraft_->count() - 1;
  }
  if (aircraft_->count()) aircraft_->setCurrentRow(row);
  widenAircraftList();
  showAircraft();
}

void FrmLogbook::widenAircraftList() {
  // Wide enough for every entry's counts, while the tabs keep the room the
  // Flights table's columns need.
  auto* split = findChild<QSplitter*>();
  if (!split) return;
  int need = 0;
  for (int r = 0; r < aircraft_->count(); ++r)
    for (const QString& line : aircraft_->item(r)->text().split(QLatin1Char('\n')))
      need = std::max(need, aircraft_->fontMetrics().horizontalAdvance(line));
  // (and the status icon's room beside them)
  const int margins = aircraft_->iconSize().width() + 4 + 2 * aircraft_->frameWidth() + 2 * aircraft_->spacing() +
                      2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, aircraft_) + 1) +
                      style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, aircraft_);
  constexpr int kTabsLeast = 960;
  QList<int> sizes = split->sizes();
  if (sizes.size() != 2 || sizes[0] >= need + margins) return;
  const int grown = std::min(need + margins, sizes[0] + std::max(0, sizes[1] - kTabsLeast));
  if (grown <= sizes[0]) return;
  sizes[1] -= grown - sizes[0];
  sizes[0] = grown;
  split->setSizes(sizes);
}

QString FrmLogbook::selectedFolder() const {
  const QListWidgetItem* item = aircraft_->currentItem();
  return item ? item->data(Qt::UserRole).toString() : QString();
}

void FrmLogbook::showAircraft() {
  const QString folder = selectedFolder();
  limitsProblems_->clear();
  limitsProblems_->setToolTip({});
  enginePreset_->clear();
  // The aircraft's logbook as the catalog worker built it for the Fleet tab,
  // so the two never disagree and nothing is read on the GUI thread.
  const FleetLine* line = nullptr;
  if (snapshot_ && !folder.isEmpty())
    for (const FleetLine& l : *snapshot_->fleet)
      if (QString::fromStdString(l.row.folder) == folder) line = &l;
  log_ = line ? line->log : nullptr;
  if (line) {
    showLimitsProblems(line->rules);
    if (!log_->preset.empty()) enginePreset_->setText(QStringLiteral("Limits: %1").arg(QString::fromStdString(log_->preset)));
  }
  flights_->setLog(log_);
  trends_->setLog(log_, line ? line->trends : nullptr);
  showFindings();
  report_->setEnabled(log_ && !log_->flights.empty());
  selectPendingFlight();
}

void FrmLogbook::showFindings() {
  const int findings = findings_->show(log_.get());
  tabs_->setTabText(2, findings == 0 ? QStringLiteral("Findings") : QStringLiteral("Findings (%1)").arg(findings));
}

void FrmLogbook::showLimitsProblems(const analysis::AircraftRules& rules) {
  const analysis::LimitsFile& limits = rules.limits;
  const analysis::AcknowledgementsFile& known = rules.acknowledged;
  const std::size_t count = limits.problems.size() + known.problems.size();
  if (count == 0) return;
  const bool ofLimits = !limits.problems.empty();
  const analysis::LimitsProblem& first = ofLimits ? limits.problems.front() : known.problems.front();
  const QString file = ofLimits ? QStringLiteral("Limits file") : QStringLiteral("Acknowledged findings file");
  QString text = first.line ? QStringLiteral("%1, line %2: %3").arg(file).arg(first.line).arg(QString::fromStdString(first.text))
                            : QStringLiteral("%1: %2").arg(file, QString::fromStdString(first.text));
  if (count > 1) text += QStringLiteral(" (and %1 more)").arg(count - 1);
  limitsProblems_->setText(text);
  QStringList all;
  for (const std::string& line : rules.problemLines()) all << QString::fromStdString(line);
  limitsProblems_->setToolTip(all.join(QLatin1Char('\n')));
}

flight_view::FlightWindow* FrmLogbook::openFlightAt(const QString& path, double seconds) {
  flight_view::FlightWindow* window = flight_view::FlightWindow::open(path);
  auto place = [window, seconds] {
    if (const flight::Flight* f = window->chart()->flight()) window->chart()->setCursorRow(f->nearestRow(seconds));
  };
  if (window->isLoaded())
    place();
  else
    QObject::connect(window, &flight_view::FlightWindow::loaded, window, place, Qt::SingleShotConnection);
  return window;
}

namespace {

// What the maintenance done since the flight before changed: the effects of
// the entries whose first flight after (a flight on the day counts after) is
// `flightIndex` of the log's flights.
QStringList maintenanceBefore(const store::AircraftLog& log, std::size_t flightIndex) {
  QStringList effects;
  for (const store::MaintenanceRecord& r : log.maintenance)
    if (store::FirstFlightFrom(log, r.entry.date) == flightIndex)
      for (const std::string& line : store::EffectLines(r)) effects << QString::fromStdString(line);
  return effects;
}

}  // namespace

void FrmLogbook::openFlight(int flightIndex, double seconds) {
  if (!log_ || flightIndex < 0 || static_cast<std::size_t>(flightIndex) >= log_->flights.size()) return;
  flight_view::FlightWindow* window =
      openFlightAt(dataFolder_ + QLatin1Char('/') +
                       QString::fromStdString(log_->flights[static_cast<std::size_t>(flightIndex)].entry.file),
                   seconds);
  window->showMaintenance(maintenanceBefore(*log_, static_cast<std::size_t>(flightIndex)));
}

void FrmLogbook::compareSelected() {
  QModelIndexList rows = flights_->selectedRows();
  if (!log_ || rows.empty() || rows.size() > 2) return;
  if (rows.size() == 1) return compareWithBaseline(rows[0].data(LogbookModel::kFlightIndexRole).toInt());
  std::sort(rows.begin(), rows.end(), [](const QModelIndex& x, const QModelIndex& y) { return x.row() < y.row(); });
  QString paths[2];
  for (int i = 0; i < 2; ++i) {
    const int flight = rows[i].data(LogbookModel::kFlightIndexRole).toInt();
    if (flight < 0 || static_cast<std::size_t>(flight) >= log_->flights.size()) return;
    paths[i] = dataFolder_ + QLatin1Char('/') +
               QString::fromStdString(log_->flights[static_cast<std::size_t>(flight)].entry.file);
  }
  flight_view::FlightWindow::open(paths[0])->compareWith(paths[1]);
}

void FrmLogbook::compareWithBaseline(int flightIndex) {
  if (!log_ || flightIndex < 0 || static_cast<std::size_t>(flightIndex) >= log_->flights.size()) return;
  // The flight and those before it, oldest first, as the trends take them.
  std::vector<analysis::TrendPoint> history;
  for (std::size_t i = log_->flights.size(); i-- > static_cast<std::size_t>(flightIndex);)
    history.push_back(log_->flights[i].entry.trendPoint());
  const std::vector<analysis::CruiseBaseline> baselines = analysis::CruiseBaselines(history, log_->limits);
  flight_view::FlightWindow* window = openFlightAt(
      dataFolder_ + QLatin1Char('/') +
          QString::fromStdString(log_->flights[static_cast<std::size_t>(flightIndex)].entry.file),
      0);
  window->showBaseline(baselines);
}

void FrmLogbook::editLimits() {
  const QString folder = selectedFolder();
  if (folder.isEmpty()) return;
  const QString path = dataFolder_ + QLatin1Char('/') + folder;
  // What in the file does not apply is on the line beside the button already.
  const analysis::LimitsFile file = analysis::ReadAircraftRules(fileName(path)).limits;
  const std::optional<analysis::Limits> edited =
      EditLimits(this, folder, file.limits, log_ ? QString::fromStdString(log_->preset) : QString());
  if (!edited) return;
  const analysis::Limits& limits = *edited;
  // A file that would not read back as entered is never written.
  const analysis::LimitsFile readBack = analysis::ParseLimits(analysis::FormatLimits(limits, file.engine));
  const std::vector<analysis::LimitsProblem>& problems = readBack.problems;
  if (!(readBack.limits == limits) || !problems.empty()) {
    MsgBox(QStringLiteral("The limits are not saved: they would not read back as entered%1.")
               .arg(problems.empty() ? QString() : QStringLiteral(" (%1)").arg(QString::fromStdString(problems[0].text))),
           kProgramTitle, MsgIcon::Exclamation);
    return;
  }
  if (const flight::Done saved = analysis::SaveLimits(fileName(path), limits, file.engine); !saved.ok()) {
    MsgBox(QStringLiteral("The limits cannot be written to the folder %1.\n\n%2").arg(path, QString::fromStdString(saved.problem)),
           kProgramTitle, MsgIcon::Exclamation);
    return;
  }
  // Every count under the new limits: the findings again, from the digests
  // the catalog keeps, and the aircraft list's and the Fleet tab's counts.
  pendingFolder_ = folder;
  refresh();
}

void FrmLogbook::editMaintenance() {
  const QString folder = selectedFolder();
  if (folder.isEmpty()) return;
  maintenanceOpen_.start([path = fileName(dataFolder_ + QLatin1Char('/') + folder), folder](const TaskControl& control) {
    store::MaintenanceFile file = store::ReadMaintenance(path);
    control.deliverTo<FrmLogbook>([path, folder, file = std::move(file)](FrmLogbook& window) {
      auto* editor = new MaintenanceEditor(&window, folder, path, file);
      editor->setAttribute(Qt::WA_DeleteOnClose);
      connect(editor, &MaintenanceEditor::saved, &window, [&window, folder] {
        // Every view of the log again, this aircraft selected.
        window.pendingFolder_ = folder;
        window.refresh();
      });
      editor->open();
    });
  });
}

void FrmLogbook::saveReport() {
  const int row = flights_->currentFlight();
  if (!log_ || static_cast<std::size_t>(row) >= log_->flights.size()) return;
  report::saveFlightReport(this, dataFolder_ + QLatin1Char('/') +
                                     QString::fromStdString(log_->flights[static_cast<std::size_t>(row)].entry.file));
}

// "Aircraft report…" (a period, then a PDF or the printer) and Ctrl+P, the
// printer straight away for the logbook's whole period.
void FrmLogbook::addAircraftReport(QHBoxLayout* buttons) {
  auto* button = new QPushButton(QStringLiteral("&Aircraft report…"), this);
  button->setObjectName(QStringLiteral("cmdAircraftReport"));
  buttons->addWidget(button);
  connect(button, &QPushButton::clicked, this, [this] {
    if (log_) report::AircraftReportDialog(*log_, aircraftName(), this).exec();
  });
  auto* print = new QShortcut(QKeySequence::Print, this);
  connect(print, &QShortcut::activated, this, [this] {
    if (log_) report::printAircraftReport(this, *log_, aircraftName());
  });
}

QString FrmLogbook::aircraftName() const {
  return log_ && !log_->flights.empty() ? QString::fromStdString(log_->flights.front().entry.aircraft) : selectedFolder();
}

void FrmLogbook::chooseAndImport() {
  if (dataFolder_.isEmpty()) return;
  const QStringList files = QFileDialog::getOpenFileNames(
      this, QStringLiteral("Import flight logs"), QString(),
      QStringLiteral("Flight logs (*.csv *.CSV);;All files (*)"));
  if (files.isEmpty()) return;
  bool ok = false;
  const QString aircraft = QInputDialog::getText(this, QStringLiteral("Import flight logs"),
                                                 QStringLiteral("Into the folder of the aircraft:"), QLineEdit::Normal,
                                                 selectedFolder(), &ok)
                               .trimmed();
  if (!ok || aircraft.isEmpty()) return;
  importLogs(files, aircraft);
}

void FrmLogbook::importLogs(const QStringList& files, const QString& aircraft) {
  std::vector<std::string> paths;
  for (const QString& f : files) paths.push_back(fileName(f));
  const std::string id = fileName(aircraft);
  const std::string folder = fileName(dataFolder_);
  import_->setEnabled(false);
  progress_->setTextFormat(Qt::PlainText);
  progress_->setText(QStringLiteral("Importing %1 file(s)…").arg(files.size()));
  // Each file is read through before it is copied: off the GUI thread.
  importTask_.start([paths, id, folder](const TaskControl& task) {
    auto result = std::make_shared<frontend::ImportResult>();
    const std::string failed = frontend::GuardedWork(
        [&] { *result = frontend::ImportFlightFiles(paths, id, folder, [&task] { return task.stopAsked(); }); });
    if (!failed.empty()) *result = frontend::ImportResult::failed(failed);
    std::shared_ptr<const frontend::ImportResult> shown = result;
    task.deliverTo<FrmLogbook>([shown](FrmLogbook& form) { form.showImport(*shown); });
  });
}

void FrmLogbook::showImport(const frontend::ImportResult& result) {
  import_->setEnabled(true);
  lastImport_.clear();
  if (!result.ok()) lastImport_ << QStringLiteral("Nothing imported: %1.").arg(render::fromLibraryText(result.problem));
  int imported = 0;
  for (const frontend::ImportedFile& f : result.value.files) {
    lastImport_ << render::fromLibraryText(f.message);
    if (f.outcome == frontend::ImportOutcome::Imported) ++imported;
  }
  // Why a file was not imported, in the status line; each file's line in the list the link opens.
  const QString summary = render::fromLibraryText(frontend::ImportSummary(result));
  const bool plain = result.ok() && imported == static_cast<int>(result.value.files.size()) &&
                     summary.indexOf(QLatin1Char(';')) < 0;
  const QString status = plain ? summary.toHtmlEscaped()
                               : summary.toHtmlEscaped() + QStringLiteral(" <a href=\"files\">Which files…</a>");
  progress_->setTextFormat(Qt::RichText);
  progress_->setText(status);
  progress_->setToolTip(lastImport_.join(QLatin1Char('\n')));
  // The catalog's progress takes the line meanwhile; the import's status comes back beside its count.
  if (imported > 0) {
    refresh();
    importStatus_ = status;
  }
  emit importFinished(frontend::ImportExitCode(result));
}

void FrmLogbook::showImportList() {
  auto* dialog = new QDialog(this);
  dialog->setObjectName(QStringLiteral("dlgImportList"));
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->setWindowTitle(QStringLiteral("Imported files"));
  auto* layout = new QVBoxLayout(dialog);
  auto* list = new QListWidget(dialog);
  list->addItems(lastImport_);
  list->setWordWrap(true);
  layout->addWidget(list);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
  connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::close);
  layout->addWidget(buttons);
  dialog->resize(std::min(900, AvailableArea(this).width() - 40), 320);
  dialog->show();
}

// The window's size, splitter and tab.
namespace {

QSettings logbookSettings() {
  return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("varnix"), QStringLiteral("logbook"));
}

}  // namespace

void FrmLogbook::addAircraftListLook() {
  // Two lines an aircraft, its name and its counts; counts cut short by a
  // narrow list show whole as the entry's tooltip.
  aircraft_->setWordWrap(false);
  aircraft_->setTextElideMode(Qt::ElideRight);
  aircraft_->setResizeMode(QListView::Adjust);
  aircraft_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  aircraft_->setSpacing(2);
  ShowWholeTextOfElidedCells(aircraft_);
}

void FrmLogbook::showFlights(const QString& folder, const QStringList& files) {
  pendingFolder_ = folder;
  pendingFiles_ = files;
  if (selectedFolder() != folder)
    for (int r = 0; r < aircraft_->count(); ++r)
      if (aircraft_->item(r)->data(Qt::UserRole).toString() == folder) {
        aircraft_->setCurrentRow(r);  // shows the aircraft and selects the flight
        break;
      }
  selectPendingFlight();
  // Files the catalog has not indexed yet (the logbook was open before the
  // download): index again, the selection follows.
  if (!pendingFiles_.isEmpty() && !indexing() && !dataFolder_.isEmpty()) openFolder(dataFolder_);
}

void FrmLogbook::selectPendingFlight() {
  if (pendingFiles_.isEmpty() || !log_ || selectedFolder() != pendingFolder_) return;
  const int row = flights_->rowOfFlightWith(pendingFiles_);
  if (row < 0) return;
  tabs_->setCurrentIndex(0);
  flights_->selectRow(row);
  pendingFolder_.clear();
  pendingFiles_.clear();
}

QString FrmLogbook::shownCsv() const { return flights_->shownCsv(); }

QString FrmLogbook::writeShownCsv(const QString& path, bool replace) const {
  return flights_->writeShownCsv(path, replace);
}

void FrmLogbook::exportCsv() {
  const QString folder = selectedFolder();
  if (folder.isEmpty()) return;
  // The dialog asks before it names an existing file, so that one may be replaced.
  const QString path = QFileDialog::getSaveFileName(
      this, QStringLiteral("Export CSV"), dataFolder_ + QLatin1Char('/') + folder + QStringLiteral("-logbook.csv"),
      QStringLiteral("CSV (*.csv)"));
  if (path.isEmpty()) return;
  if (const QString problem = writeShownCsv(path, true); !problem.isEmpty())
    MsgBox(problem, kProgramTitle, MsgIcon::Exclamation);
  else {
    progress_->setTextFormat(Qt::PlainText);
    progress_->setText(QStringLiteral("Exported %1 flights to %2.").arg(flights_->proxy()->rowCount()).arg(path));
  }
}

void FrmLogbook::rememberLayout() const {
  QSettings settings = logbookSettings();
  settings.setValue(QStringLiteral("geometry"), saveGeometry());
  if (auto* split = findChild<QSplitter*>()) settings.setValue(QStringLiteral("splitter"), split->saveState());
  settings.setValue(QStringLiteral("tab"), tabs_->currentIndex());
}

void FrmLogbook::restoreLayout() {
  QSettings settings = logbookSettings();
  if (restoreGeometry(settings.value(QStringLiteral("geometry")).toByteArray())) KeepOnScreen(this);
  if (auto* split = findChild<QSplitter*>()) split->restoreState(settings.value(QStringLiteral("splitter")).toByteArray());
  const int tab = settings.value(QStringLiteral("tab"), 0).toInt();
  if (tab >= 0 && tab < tabs_->count()) tabs_->setCurrentIndex(tab);
}

}  // namespace varnix::app::logbook
