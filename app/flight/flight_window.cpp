// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/flight/flight_window.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QSpinBox>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "analysis/aircraft_rules.h"
#include "flight/channels.h"
#include "app/flight/compare_readout.h"
#include "app/flight/flight_chart.h"
#include "app/shared/column_fit.h"
#include "app/shared/window_placement.h"
#include "flight/open_flight.h"
#include "app/flight/flight_table_model.h"
#include "frontend/chart/panel_plan.h"
#include "frontend/guarded_work.h"
#include "app/flight/picture_export.h"
#include "app/flight/readout.h"
#include "app/flight/summary_view.h"

#include "frontend/report/report_content.h"
#include "app/report/flight_report.h"
#include "render/library_text.h"

namespace varnix::app::flight_view {

namespace {

QSettings layoutSettings() {
  return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("varnix"),
                   QStringLiteral("flight-window"));
}

// The flight's layout, for the sizes and panels remembered per layout.
QString layoutName(const flight::Flight& f) {
  using K = flight::ChannelKind;
  bool extended = false;
  for (const flight::Channel& c : f.channels) {
    if (c.engine != flight::Engine::Only) return QStringLiteral("twin");
    extended = extended || c.kind == K::FuelLevel || c.kind == K::FuelPressure || c.kind == K::Amps ||
               (c.kind == K::Battery && c.sensor > 1);
  }
  return extended ? QStringLiteral("extended") : QStringLiteral("single");
}

QString headlineHtml(const flight::Flight& f, const analysis::FlightAnalysis& a) {
  const analysis::FlightSummary& s = a.summary;
  const auto& facts = f.facts;
  const QString engine = QString::fromUtf8(flight::UnitText(analysis::EngineUnit(facts)));
  QString first = QStringLiteral("<b>%1</b> &nbsp;·&nbsp; %2 &nbsp;·&nbsp; %3-%4-%5 %6 &nbsp;·&nbsp; "
                                 "%7 recorded, every %8 s &nbsp;·&nbsp; engine %9, OAT °%10%11")
                      .arg(QString::fromStdString(facts.aircraft).toHtmlEscaped(),
                           QString::fromStdString(flight::FlightName(facts)).toHtmlEscaped())
                      .arg(facts.year < 100 ? 2000 + facts.year : facts.year)
                      .arg(facts.month, 2, 10, QLatin1Char('0'))
                      .arg(facts.day, 2, 10, QLatin1Char('0'))
                      .arg(clockText(f.startOfDay), durationText(s.recordedSeconds))
                      .arg(facts.interval)
                      .arg(engine)
                      .arg(QChar::fromLatin1(facts.outsideAirUnit))
                      .arg(facts.fuelUnit.empty() ? QString()
                                                  : QStringLiteral(", fuel flow ") +
                                                        QString::fromStdString(facts.fuelUnit));
  // The report's headline figures (frontend/report), in the strip's words.
  QStringList figures;
  for (const varnix::frontend::report::HeadlineFigure& x : varnix::frontend::report::HeadlineFigures(f, a.headline)) {
    QString label = QString::fromStdString(x.label);
    label[0] = label[0].toLower();
    QString text = QStringLiteral("%1 <b>%2</b>").arg(label.toHtmlEscaped(), QString::fromStdString(x.value));
    if (!x.unit.empty()) text += QLatin1Char(' ') + QString::fromStdString(x.unit).toHtmlEscaped();
    if (const std::string channel = varnix::frontend::report::ShownChannel(x); !channel.empty())
      text += QStringLiteral(" (%1)").arg(QString::fromStdString(channel).toHtmlEscaped());
    figures << text;
  }
  return first + QStringLiteral("<br>") + figures.join(QStringLiteral(" &nbsp;·&nbsp; "));
}

struct PictureChoice {
  QSize size;  // empty when cancelled
  bool cursor = false;
};

// Asks for the picture's size and whether it shows the cursor and the ruler.
PictureChoice askPicture(QWidget* parent, QSize suggested) {
  QDialog dialog(parent);
  dialog.setWindowTitle(QStringLiteral("Picture size"));
  auto* width = new QSpinBox(&dialog);
  auto* height = new QSpinBox(&dialog);
  for (QSpinBox* box : {width, height}) {
    box->setRange(100, 20000);
    box->setSuffix(QStringLiteral(" px"));
  }
  width->setValue(suggested.width());
  height->setValue(suggested.height());
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  auto* form = new QFormLayout(&dialog);
  form->addRow(QStringLiteral("Width:"), width);
  form->addRow(QStringLiteral("Height:"), height);
  auto* cursor = new QCheckBox(QStringLiteral("Include cursor"), &dialog);
  cursor->setObjectName(QStringLiteral("includeCursor"));
  form->addRow(cursor);
  form->addRow(buttons);
  if (dialog.exec() != QDialog::Accepted) return {};
  return {QSize(width->value(), height->value()), cursor->isChecked()};
}

}  // namespace

FlightWindow::FlightWindow(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("flightWindow"));
  setAttribute(Qt::WA_DeleteOnClose);
  resize(1280, 860);  // made to fit the screen in layOutCharts

  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(6, 6, 6, 6);
  header_ = new QLabel(QStringLiteral("Reading the flight…"), central);
  header_->setObjectName(QStringLiteral("headerStrip"));
  header_->setTextFormat(Qt::RichText);
  header_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  // Two lines from the start, so the charts below keep their height (and
  // their paint buffers) when the headline comes.
  header_->setMinimumHeight(2 * header_->fontMetrics().lineSpacing());
  // Wrapped, so a long headline never sets the window's least width.
  header_->setWordWrap(true);
  layout->addWidget(header_);

  tabs_ = new QTabWidget(central);
  summary_ = new SummaryView;
  tabs_->addTab(summary_, QStringLiteral("Summary"));
  chart_ = new FlightChart;
  cursorReadout_ = new QLabel;
  rangeReadout_ = new QLabel;
  for (QLabel* l : {cursorReadout_, rangeReadout_}) {
    l->setTextFormat(Qt::RichText);
    l->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  }
  cursorReadout_->setObjectName(QStringLiteral("cursorReadout"));
  rangeReadout_->setObjectName(QStringLiteral("rangeReadout"));
  compareHeading_ = new QLabel;
  compareHeading_->setObjectName(QStringLiteral("compareHeading"));
  rulerReadout_ = new QLabel;
  rulerReadout_->setObjectName(QStringLiteral("rulerReadout"));
  connect(rulerReadout_, &QLabel::linkActivated, this, [this](const QString& link) {
    rulerPerChannel_ = link == QLatin1String(kRulerOpen);
    updateRangeReadout();
  });
  baselineReadout_ = new QLabel;
  baselineReadout_->setObjectName(QStringLiteral("baselineReadout"));
  for (QLabel* l : {compareHeading_, rulerReadout_, baselineReadout_}) {
    l->setTextFormat(Qt::RichText);
    l->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    l->setWordWrap(true);
    l->hide();
  }
  auto* readoutBox = new QWidget;
  auto* readoutLayout = new QVBoxLayout(readoutBox);
  readoutLayout->addWidget(compareHeading_);
  readoutLayout->addWidget(baselineReadout_);
  readoutLayout->addWidget(rulerReadout_);
  readoutLayout->addWidget(cursorReadout_);
  readoutLayout->addWidget(rangeReadout_);
  readoutLayout->addStretch(1);
  auto* scroll = readoutScroll_ = new QScrollArea;
  scroll->setWidget(readoutBox);
  scroll->setWidgetResizable(true);
  scroll->setMinimumWidth(260);
  scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  auto* chartsPage = new QSplitter(Qt::Horizontal);
  chartsPage->setObjectName(QStringLiteral("chartsPage"));
  chartsPage->addWidget(chart_);
  chartsPage->addWidget(scroll);
  chartsPage->setStretchFactor(0, 1);
  chartsPage->setStretchFactor(1, 0);
  tabs_->addTab(chartsPage, QStringLiteral("Charts"));
  chartsPage_ = chartsPage;

  table_ = new QTableView;
  table_->setObjectName(QStringLiteral("flightTable"));
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 4);
  table_->horizontalHeader()->setDefaultSectionSize(58);
  ShowWholeTextOfElidedCells(table_);
  tabs_->addTab(table_, QStringLiteral("Table"));
  layout->addWidget(tabs_, 1);
  setCentralWidget(central);

  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  file->addAction(QStringLiteral("Save &picture…"), QKeySequence::Save, this, &FlightWindow::savePicture);
  file->addAction(QStringLiteral("&Copy picture"), QKeySequence(QStringLiteral("Ctrl+Shift+C")), this,
                  &FlightWindow::copyPicture);
  file->addSeparator();
  file->addAction(QStringLiteral("Save &report…"), this, [this] { report::saveFlightReport(this, path_, comparedFile()); });
  file->addAction(QStringLiteral("Pr&int…"), QKeySequence::Print, this,
                  [this] { report::printFlightReport(this, path_, comparedFile()); });
  file->addAction(QStringLiteral("C&lose"), QKeySequence::Close, this, &QWidget::close);
  QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
  view->addAction(QStringLiteral("&Reset zoom"), this, [this] { chart_->resetZoom(); });
  view->addAction(QStringLiteral("Clear the &ruler"), this, [this] { chart_->clearRuler(); });
  view->addSeparator();
  QAction* fit = view->addAction(QStringLiteral("&Fit to shown range"));
  fit->setObjectName(QStringLiteral("fitShownAction"));
  fit->setCheckable(true);
  fit->setChecked(chart_->fitShown());
  connect(fit, &QAction::toggled, chart_, &FlightChart::setFitShown);
  QAction* elapsed = view->addAction(QStringLiteral("&Elapsed time"));
  elapsed->setObjectName(QStringLiteral("elapsedTimeAction"));
  elapsed->setCheckable(true);
  connect(elapsed, &QAction::toggled, chart_, &FlightChart::setElapsedTime);
  panelsMenu_ = view->addMenu(QStringLiteral("&Panels"));
  addCompareActions(view);
  QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
  help->addAction(QStringLiteral("&Charts"), this, [this] {
    QMessageBox::information(
        this, QStringLiteral("Charts"),
        QStringLiteral("Mouse: the cursor follows it; wheel zooms; drag pans; right-drag or Ctrl+drag zooms to a "
                       "span; double-click shows the whole flight; Shift+click sets the ruler's two lines; Ctrl+wheel "
                       "zooms a panel's values; a click on a legend entry hides or shows that line (a cylinder "
                       "in every panel).\n"
                       "Keys: Left/Right move the cursor one row; Shift+Left/Right and Page Up/Down pan; + and - "
                       "zoom; Home shows the whole flight and fits the values again; Esc clears the ruler."));
  });

  rangeTimer_ = new QTimer(this);
  rangeTimer_->setSingleShot(true);
  rangeTimer_->setInterval(40);
  connect(rangeTimer_, &QTimer::timeout, this, &FlightWindow::updateRangeReadout);
  connect(chart_, &FlightChart::cursorMoved, this, &FlightWindow::cursorMoved);
  connect(chart_, &FlightChart::timeRangeChanged, rangeTimer_, qOverload<>(&QTimer::start));
  connect(chart_, &FlightChart::spanChanged, rangeTimer_, qOverload<>(&QTimer::start));
  // The Summary is the first tab, but the window opens on the charts: they are
  // laid out from the header while the rows are read (a hidden tab would lay
  // them out only when first shown), and their keys work from the start.
  tabs_->setCurrentWidget(chartsPage_);
  chart_->setFocus();
  // Whenever the charts show again, the keys are theirs.
  connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) {
    if (tabs_->widget(index) == chartsPage_) chart_->setFocus();
  });
  // A click on a summary item shows it in the charts.
  connect(summary_, &SummaryView::timeChosen, this, [this](double at) {
    if (!flight_ || flight_->rows() == 0) return;
    const std::size_t row = flight_->nearestRow(at);
    const double key = chart_->keyOfRow(row);
    if (key < chart_->rangeLower() || key > chart_->rangeUpper()) chart_->resetZoom();
    chart_->setCursorRow(row);
    showCharts();
  });
  connect(summary_, &SummaryView::spanChosen, this, [this](double start, double end) {
    if (!flight_ || flight_->rows() == 0) return;
    const std::size_t first = flight_->nearestRow(start);
    chart_->setTimeRange(chart_->keyOfRow(first), chart_->keyOfRow(flight_->nearestRow(end)));
    chart_->setCursorRow(first);
    showCharts();
  });
  connect(summary_, &SummaryView::findingChosen, this, [this](double peakAt, double start, double end) {
    if (!flight_ || flight_->rows() == 0) return;
    const std::size_t peak = flight_->nearestRow(peakAt);
    const std::size_t first = flight_->nearestRow(start), last = flight_->nearestRow(end);
    chart_->clearRuler();
    if (last > first) {
      chart_->setRuler(first);
      chart_->setRuler(last);
    }
    const double key = chart_->keyOfRow(peak);
    if (key < chart_->rangeLower() || key > chart_->rangeUpper()) chart_->resetZoom();
    chart_->setCursorRow(peak);
    showCharts();
  });
}

void FlightWindow::showCharts() {
  tabs_->setCurrentWidget(chartsPage_);
  chart_->setFocus();
}

// The reading threads are the tasks': cancelled here, their results dropped.
FlightWindow::~FlightWindow() = default;

FlightWindow* FlightWindow::open(const QString& path) {
  const QString wanted = QFileInfo(path).absoluteFilePath();
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* fw = qobject_cast<FlightWindow*>(w); fw && QFileInfo(fw->path()).absoluteFilePath() == wanted) {
      fw->show();
      fw->raise();
      fw->activateWindow();
      return fw;
    }
  auto* window = new FlightWindow;
  window->openFile(path);
  window->show();
  return window;
}

void FlightWindow::openFile(const QString& path) {
  path_ = path;
  setWindowTitle(QFileInfo(path).fileName() + QStringLiteral(" — reading…"));
  struct Result {
    flight::FlightRead read;
    std::shared_ptr<const flight::Flight> flight;  // the rows read, shared with the window
    analysis::FlightAnalysis analysis;
    analysis::EngineAnalysis engine;
    analysis::Limits limits;
    QString preset;        // the engine preset the limits come from, "" for none
    QStringList problems;  // of the aircraft folder's limits and acknowledgements
  };
  auto result = std::make_shared<Result>();
  const std::string file = toLibraryText(path);
  // The aircraft's limits and acknowledgements are the flight folder's.
  const std::string folder = toLibraryText(QFileInfo(path).absolutePath());
  reader_.start([result, file, folder, path](const TaskControl& task) {
    // The charts are laid out from the header while the rows are read: their
    // paint buffers are then ready when the rows come.
    auto headerRead = [&task](const flight::Flight& header) {
      auto shown = std::make_shared<const flight::Flight>(header);  // no rows yet
      task.deliverTo<FlightWindow>([shown](FlightWindow& w) { w.layOutCharts(shown); });
    };
    // The rows are charted as soon as they are read; the analyses follow.
    auto rowsRead = [&task](std::shared_ptr<const flight::Flight> flight) {
      task.deliverTo<FlightWindow>([flight](FlightWindow& w) { w.showRows(flight); });
    };
    // Between the steps the window may have closed: the rest is not wanted.
    auto work = [&] {
      result->read = flight::OpenFlight(file, headerRead);
      if (!result->read.ok() || task.stopAsked()) return;
      result->flight = std::make_shared<const flight::Flight>(std::move(result->read.value));
      rowsRead(result->flight);
      const analysis::AircraftRules rules = analysis::ReadAircraftRules(folder);
      const analysis::FlightLimits limits = rules.limitsOf(result->flight->facts);
      result->limits = limits.limits;
      result->preset = QString::fromStdString(analysis::PresetText(limits));
      if (task.stopAsked()) return;
      // The summary and the engine analyses from one finding of the phases and the digest.
      result->engine = analysis::AnalyseEngine(*result->flight, limits.limits, result->analysis);
      rules.acknowledge(result->engine.findings);
      for (const std::string& p : rules.problemLines()) result->problems << QString::fromStdString(p);
    };
    // Nothing leaves the thread: without room for the analysis the flight is
    // the window's problem, not a flight without its analysis.
    const std::string failed = frontend::GuardedWork(work);
    if (!failed.empty()) {
      result->flight.reset();
      result->read = flight::FlightRead::failed("The flight cannot be read and analysed: " + failed + ".");
    }
    task.deliverTo<FlightWindow>([result, path](FlightWindow& w) {
      if (!result->flight) {
        w.showProblem(QString::fromStdString(result->read.problem));
        return;
      }
      w.showFlight(path, result->flight, std::move(result->analysis), result->engine, result->problems,
                   result->preset);
      w.chart_->setAnnotations(std::move(result->engine.phases.spans), std::move(result->engine.findings),
                               result->limits);
    });
  });
}

void FlightWindow::layOutCharts(std::shared_ptr<const flight::Flight> flight) {
  if (chartsLaidOut_) return;
  chartsLaidOut_ = true;
  // An avionics log has no flight number: its title is the file and the aircraft.
  setWindowTitle(flight->facts.flightLabel.empty()
                     ? QStringLiteral("%1 — %2").arg(QFileInfo(path_).fileName(),
                                                     QString::fromStdString(flight->facts.aircraft))
                     : QStringLiteral("%1 — Flight #%2 — %3")
                           .arg(QFileInfo(path_).fileName(), QString::fromStdString(flight->facts.flightLabel),
                                QString::fromStdString(flight->facts.aircraft)));
  chart_->setFlight(flight, frontend::PlanPanels(*flight));
  layout_ = layoutName(*flight);
  QSettings settings = layoutSettings();
  // Per layout; the one remembered for every layout before, when there is none yet.
  const QString geometryKey = QStringLiteral("geometry/") + layout_;
  const QByteArray geometry = settings.value(settings.contains(geometryKey) ? geometryKey : QStringLiteral("geometry"))
                                  .toByteArray();
  if (geometry.isEmpty() || !restoreGeometry(geometry))
    fitToScreen();
  else
    KeepOnScreen(this);
  chart_->restoreLayout(settings.value(settings.contains(layoutKey()) ? layoutKey() : oldLayoutKey()).toByteArray());
  if (tabs_->currentWidget() == chartsPage_) chart_->setFocus();
}

void FlightWindow::fitToScreen() {
  const QScreen* s = screen();
  if (!s) return;
  const QRect free = s->availableGeometry();
  resize(std::min(width(), free.width()), std::min(height(), free.height()));
}

void FlightWindow::updatePanelsMenu() {
  int hidden = 0;
  const auto actions = panelsMenu_->actions();
  for (int i = 0; i < chart_->panelCount() && i < actions.size(); ++i) {
    const bool shown = chart_->panelVisible(i);
    actions[i]->setChecked(shown);
    hidden += shown ? 0 : 1;
  }
  panelsMenu_->setTitle(hidden == 0 ? QStringLiteral("&Panels") : QStringLiteral("&Panels (%1 hidden)").arg(hidden));
}

void FlightWindow::showProblem(const QString& problem) {
  problem_ = problem;
  tabs_->hide();  // charts laid out from a header that the rows then failed
  setWindowTitle(QFileInfo(path_).fileName() + QStringLiteral(" — cannot be shown"));
  header_->setText(QStringLiteral("<span style='color:#b00000'><b>%1 cannot be shown as a flight.</b><br>%2</span>")
                       .arg(QFileInfo(path_).fileName().toHtmlEscaped(), problem.toHtmlEscaped()));
  emit loaded();
}

void FlightWindow::showFlight(const QString& path, std::shared_ptr<const flight::Flight> flight,
                              std::optional<analysis::FlightAnalysis> analysis,
                              std::optional<analysis::EngineAnalysis> engine, const QStringList& problems,
                              const QString& preset) {
  path_ = path;
  flight_ = std::move(flight);
  analysis_ = analysis ? std::move(*analysis) : analysis::AnalyseFlight(*flight_);
  if (engine) {
    summary_->showAnalysis(flight_, *engine, problems);
    moments_ = frontend::MomentsOf(engine->phases);
  }
  QString headline = headlineHtml(*flight_, analysis_);
  for (const std::string& note : flight_->notes)
    headline += QStringLiteral("<br><span style='color:#b00000'>%1</span>").arg(QString::fromStdString(note));
  if (flight_->rows() == 0) headline += QStringLiteral("<br>The flight has no recorded rows.");
  if (!preset.isEmpty()) headline += QStringLiteral("<br>Limits: %1").arg(preset.toHtmlEscaped());
  header_->setText(headline);

  if (!chartsLaidOut_)
    layOutCharts(flight_);
  else if (chart_->flight() != flight_.get())  // the rows may be charted already
    chart_->setFlight(flight_, frontend::PlanPanels(*flight_));
  for (int i = 0; i < chart_->panelCount(); ++i) {
    QAction* a = panelsMenu_->addAction(QString::fromStdString(chart_->plans()[static_cast<std::size_t>(i)].title));
    a->setCheckable(true);
    a->setChecked(true);
    connect(a, &QAction::toggled, this, [this, i](bool on) {
      chart_->setPanelVisible(i, on);
      updatePanelsMenu();
    });
  }
  updatePanelsMenu();

  auto* model = new FlightTableModel(flight_, table_);
  table_->setModel(model);
  // The clock time whole ("14:41:07"), with room for the padding.
  table_->setColumnWidth(0, table_->fontMetrics().horizontalAdvance(QStringLiteral("00:00:00")) + 20);
  connect(table_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) {
            if (!selectingRow_ && current.isValid()) chart_->setCursorRow(static_cast<std::size_t>(current.row()));
          });
  // The cursor's read-out, a long table to lay out, fills in just after the
  // charts' first paint.
  QTimer::singleShot(rangeTimer_->interval(), this, [this] { cursorMoved(chart_->cursorRow()); });
  rangeTimer_->start();  // after the first paint
  applyComparison();  // when B was read first
  emit loaded();
}

void FlightWindow::showRows(std::shared_ptr<const flight::Flight> flight) {
  if (flight_) return;  // shown whole already
  if (!chartsLaidOut_) layOutCharts(flight);
  if (chart_->flight() != flight.get()) chart_->setFlight(flight, frontend::PlanPanels(*flight));
  emit rowsCharted();
}

void FlightWindow::cursorMoved(std::size_t row) {
  if (!flight_) return;  // the rows are charted, the read-out comes with the analyses
  const Comparison* compared = chart_->comparison();
  cursorReadout_->setText(compared ? compareCursorHtml(*flight_, chart_->plans(), row, *compared)
                                   : cursorHtml(*flight_, chart_->plans(), row));
  if (!table_->model()) return;
  selectingRow_ = true;
  const QModelIndex index = table_->model()->index(static_cast<int>(row), 0);
  table_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  if (table_->isVisible()) table_->scrollTo(index);
  selectingRow_ = false;
}

void FlightWindow::updateRangeReadout() {
  if (!flight_ || flight_->rows() == 0) return;
  RangeStats stats;
  const auto span = chart_->span();
  rulerReadout_->setVisible(span.has_value());
  if (span) {
    // Ahead of the values at the cursor, in view. The change per channel is
    // folded away, until asked for, when it would push the cursor's values
    // out of the read-out's view (a short window, 1280×720).
    const frontend::RulerFigures figures = frontend::RulerFiguresOf(*flight_, span->first, span->second);
    rulerReadout_->setText(rulerHtml(*flight_, chart_->plans(), figures, rulerPerChannel_.value_or(true)));
    if (!rulerPerChannel_) {
      const int width = std::max(readoutScroll_->viewport()->width() - 20, 100);
      int above = rulerReadout_->heightForWidth(width);
      for (const QLabel* l : {compareHeading_, baselineReadout_})
        if (!l->isHidden()) above += l->heightForWidth(width);
      // The cursor's time and its first dozen channels.
      const int cursorLines = 14 * cursorReadout_->fontMetrics().lineSpacing();
      if (above + cursorLines > readoutScroll_->viewport()->height())
        rulerReadout_->setText(rulerHtml(*flight_, chart_->plans(), figures, false));
    }
    readoutScroll_->ensureVisible(0, 0);
    stats = statsOfRows(*flight_, span->first, span->second + 1, true);
  } else {
    const std::size_t first = flight_->nearestRow(chart_->rangeLower() - flight_->startOfDay);
    const std::size_t last = flight_->nearestRow(chart_->rangeUpper() - flight_->startOfDay);
    stats = statsOfRows(*flight_, first, last + 1, false);
  }
  rangeReadout_->setText(statsHtml(*flight_, chart_->plans(), stats));
}

QString FlightWindow::oldLayoutKey() const {
  QStringList keys;
  for (const auto& p : chart_->plans()) keys << QString::fromStdString(p.key);
  return QStringLiteral("panels/") + keys.join(QLatin1Char('-'));
}

QString FlightWindow::layoutKey() const {
  QStringList keys;
  for (const auto& p : chart_->plans()) keys << QString::fromStdString(p.key);
  return QStringLiteral("panels-") + layout_ + QLatin1Char('/') + keys.join(QLatin1Char('-'));
}

void FlightWindow::saveLayout() {
  if (!flight_) return;
  QSettings settings = layoutSettings();
  settings.setValue(QStringLiteral("geometry/") + layout_, saveGeometry());
  settings.setValue(layoutKey(), chart_->saveLayout());
}

void FlightWindow::closeEvent(QCloseEvent* event) {
  saveLayout();
  QMainWindow::closeEvent(event);
}

void FlightWindow::savePicture() {
  if (!flight_) return;
  const QString base = QFileInfo(path_).completeBaseName();
  const QString target = QFileDialog::getSaveFileName(
      this, QStringLiteral("Save picture"), QFileInfo(path_).dir().filePath(base + QStringLiteral(".png")),
      QStringLiteral("PNG picture (*.png);;PDF document (*.pdf);;SVG drawing (*.svg)"));
  if (target.isEmpty()) return;
  const PictureChoice choice = askPicture(this, pictureSize());
  if (choice.size.isEmpty()) return;
  const flight::Done saved = flight_view::savePicture(*chart_, target, choice.size, choice.cursor);
  if (!saved.ok()) QMessageBox::warning(this, QStringLiteral("Save picture"), QString::fromStdString(saved.problem));
}

void FlightWindow::copyPicture() {
  if (!flight_) return;
  QApplication::clipboard()->setImage(flight_view::pictureImage(*chart_, pictureSize()));
}

// The charts' size in the window; the tab's page when the Charts tab is not shown.
QSize FlightWindow::pictureSize() const {
  return chart_->isVisible() ? chart_->size() : tabs_->currentWidget()->size();
}

void FlightWindow::showMaintenance(const QStringList& effects) { summary_->showMaintenance(effects); }

}  // namespace varnix::app::flight_view
