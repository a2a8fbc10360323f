// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/flight/summary_view.h"

#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <qcustomplot.h>

#include "analysis/limits.h"
#include "app/flight/readout.h"
#include "render/chart_annotations.h"

namespace varnix::app::flight_view {

namespace {

using namespace flight;

constexpr int kStartRole = Qt::UserRole;
constexpr int kEndRole = Qt::UserRole + 1;
constexpr int kPeakRole = Qt::UserRole + 2;


QString text(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

// "ground", "too_coarse" as a table shows them: "Ground", "too coarse".
QString word(std::string_view name, bool capital = false) {
  QString w = text(name).replace(QLatin1Char('_'), QLatin1Char(' '));
  if (capital && !w.isEmpty()) w[0] = w[0].toUpper();
  return w;
}

QString number(double v, int decimals = 0) {
  return std::isfinite(v) ? QString::number(v, 'f', decimals) : QStringLiteral("—");
}

QLabel* title(const QString& t) {
  auto* l = new QLabel(QStringLiteral("<b>%1</b>").arg(t));
  l->setTextFormat(Qt::RichText);
  return l;
}

QLabel* prose() {
  auto* l = new QLabel;
  l->setTextFormat(Qt::RichText);
  l->setWordWrap(true);
  l->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  l->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return l;
}

// `stretch`: the last column takes the width left (a text); else the table is as wide as its columns.
QTableWidget* table(const QStringList& columns, const char* name, bool stretch = false) {
  auto* t = new QTableWidget(0, static_cast<int>(columns.size()));
  t->setObjectName(QString::fromLatin1(name));
  t->setHorizontalHeaderLabels(columns);
  t->setEditTriggers(QAbstractItemView::NoEditTriggers);
  t->setSelectionBehavior(QAbstractItemView::SelectRows);
  t->setSelectionMode(QAbstractItemView::SingleSelection);
  t->verticalHeader()->hide();
  t->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  t->verticalHeader()->setDefaultSectionSize(t->fontMetrics().height() + 6);
  t->horizontalHeader()->setStretchLastSection(stretch);
  if (!stretch) {
    // As wide as its columns, once they are laid out.
    t->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    t->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
  }
  // The tab scrolls as a whole; a table shows every row.
  t->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  return t;
}

// Every row shown, no more: the table's height follows its rows.
void fitRows(QTableWidget* t) {
  t->resizeColumnsToContents();
  int height = t->horizontalHeader()->sizeHint().height() + 2 * t->frameWidth();
  for (int r = 0; r < t->rowCount(); ++r) height += t->rowHeight(r);
  t->setFixedHeight(height);

}

QTableWidgetItem* cell(const QString& s, Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter) {
  auto* item = new QTableWidgetItem(s);
  item->setTextAlignment(align);
  return item;
}
constexpr Qt::Alignment kRight = Qt::AlignRight | Qt::AlignVCenter;

// The row's times, for the click.
void setTimes(QTableWidget* t, int row, double start, double end, double peak) {
  QTableWidgetItem* first = t->item(row, 0);
  first->setData(kStartRole, start);
  first->setData(kEndRole, end);
  first->setData(kPeakRole, peak);
}

QColor severityColour(Severity s) { return s == Severity::Warning ? QColor(0xb0, 0, 0) : QColor(0x9a, 0x60, 0); }

QColor verdictColour(bool good, bool bad) {
  return good ? QColor(0x1a, 0x70, 0x1a) : bad ? QColor(0xb0, 0, 0) : QColor(0x9a, 0x60, 0);
}

}  // namespace

QColor PhaseColour(flight::Phase phase) { return render::PhaseColour(phase); }

PhaseTimeline::PhaseTimeline(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("phaseTimeline"));
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  setCursor(Qt::PointingHandCursor);
}

void PhaseTimeline::setPhases(std::vector<PhaseSpan> spans, std::vector<Finding> findings, double length) {
  spans_ = std::move(spans);
  findings_ = std::move(findings);
  length_ = length;
  update();
}

QSize PhaseTimeline::sizeHint() const { return {600, 3 * fontMetrics().height() + 8}; }
QSize PhaseTimeline::minimumSizeHint() const { return {200, sizeHint().height()}; }

double PhaseTimeline::xOf(double seconds) const {
  const double w = std::max(1, width() - 2);
  return 1 + (length_ > 0 ? seconds / length_ * w : 0);
}

QRect PhaseTimeline::bandRect(int i) const {
  if (i < 0 || i >= static_cast<int>(spans_.size())) return {};
  const PhaseSpan& s = spans_[static_cast<std::size_t>(i)];
  const int left = static_cast<int>(std::floor(xOf(s.start))), right = static_cast<int>(std::ceil(xOf(s.end)));
  return QRect(left, 0, std::max(1, right - left), 2 * fontMetrics().height() + 4);
}

void PhaseTimeline::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().base());
  for (int i = 0; i < static_cast<int>(spans_.size()); ++i) {
    const PhaseSpan& s = spans_[static_cast<std::size_t>(i)];
    const QRect r = bandRect(i);
    p.fillRect(r, PhaseColour(s.phase));
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(r.adjusted(0, 0, -1, -1));
    const QString name = word(PhaseName(s.phase), true);
    if (p.fontMetrics().horizontalAdvance(name) + 6 <= r.width()) {
      p.setPen(palette().color(QPalette::Text));
      p.drawText(r, Qt::AlignCenter, name);
    }
  }
  // The findings below the bands, a mark at each peak over its span.
  const int y = 2 * fontMetrics().height() + 6;
  for (const Finding& f : findings_) {
    const QColor c = f.acknowledged ? palette().color(QPalette::Mid) : severityColour(f.severity);
    const double left = xOf(f.start), right = std::max(xOf(f.end), left + 1);
    p.fillRect(QRectF(left, y + 3, right - left, 3), c);
    p.setPen(QPen(c, 2));
    p.drawLine(QPointF(xOf(f.peakAt), y), QPointF(xOf(f.peakAt), height() - 1));
  }
}

void PhaseTimeline::mousePressEvent(QMouseEvent* event) {
  for (int i = 0; i < static_cast<int>(spans_.size()); ++i)
    if (bandRect(i).contains(event->position().toPoint())) {
      const PhaseSpan& s = spans_[static_cast<std::size_t>(i)];
      emit spanChosen(s.start, s.end);
      return;
    }
  QWidget::mousePressEvent(event);
}

SummaryView::SummaryView(QWidget* parent) : QScrollArea(parent) {
  setObjectName(QStringLiteral("summaryView"));
  setWidgetResizable(true);
  setFrameShape(QFrame::NoFrame);
  auto* page = new QWidget;
  auto* grid = new QGridLayout(page);
  grid->setContentsMargins(8, 8, 8, 8);
  grid->setHorizontalSpacing(16);
  grid->setVerticalSpacing(6);

  problems_ = prose();
  problems_->hide();
  timeline_ = new PhaseTimeline;
  phases_ = table({"Phase", "From", "To", "Length", "Fuel", "Max CHT", "Mean EGT", "Mean power"}, "phaseTable");
  powerText_ = prose();
  powerText_->setObjectName(QStringLiteral("powerText"));
  findings_ = table({"Time", "Severity", "Finding", "Channel", "What"}, "findingTable", true);
  acknowledgedTitle_ = title(QStringLiteral("Acknowledged findings"));
  acknowledged_ = table({"Time", "Severity", "Finding", "Channel", "Reason", "What"}, "acknowledgedTable", true);
  leanText_ = prose();
  leanText_->setObjectName(QStringLiteral("leanText"));
  leanChart_ = new QCustomPlot;
  leanChart_->setObjectName(QStringLiteral("leanChart"));
  leanChart_->setMinimumHeight(200);
  leanChart_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  leanChart_->setFixedHeight(230);
  leanChart_->hide();
  // The legend in a row of its own under the chart, clear of the curves.
  leanChart_->axisRect()->insetLayout()->take(leanChart_->legend);
  leanChart_->axisRect()->insetLayout()->simplify();
  auto* legendRow = new QCPLayoutGrid;
  leanChart_->plotLayout()->addElement(1, 0, legendRow);
  legendRow->addElement(0, 0, leanChart_->legend);
  leanChart_->legend->setFillOrder(QCPLayoutGrid::foColumnsFirst);
  leanChart_->legend->setWrap(9);
  leanChart_->legend->setBorderPen(Qt::NoPen);
  leanChart_->plotLayout()->setRowStretchFactor(1, 0.001);
  lean_ = table({"Sweep", "Cylinder", "Peak EGT", "Fuel flow", "At"}, "leanTable");
  mag_ = table({"Time", "RPM drop", "Verdict", "Rises"}, "magTable");

  int row = 0;
  grid->addWidget(problems_, row++, 0, 1, 2);
  grid->addWidget(title(QStringLiteral("Phases")), row++, 0, 1, 2);
  grid->addWidget(timeline_, row++, 0, 1, 2);
  grid->addWidget(phases_, row, 0, Qt::AlignTop | Qt::AlignLeft);
  auto* powerBox = new QWidget;
  auto* powerLayout = new QVBoxLayout(powerBox);
  powerLayout->setContentsMargins(0, 0, 0, 0);
  powerLayout->addWidget(title(QStringLiteral("Power, mixture, valves and sensors")));
  powerLayout->addWidget(powerText_);
  powerLayout->addStretch(1);
  grid->addWidget(powerBox, row++, 1);
  grid->addWidget(title(QStringLiteral("Findings")), row++, 0, 1, 2);
  grid->addWidget(findings_, row++, 0, 1, 2);
  grid->addWidget(acknowledgedTitle_, row++, 0, 1, 2);
  grid->addWidget(acknowledged_, row++, 0, 1, 2);
  auto* leanBox = new QWidget;
  auto* leanLayout = new QVBoxLayout(leanBox);
  leanLayout->setContentsMargins(0, 0, 0, 0);
  leanLayout->addWidget(title(QStringLiteral("Lean test")));
  leanLayout->addWidget(leanText_);
  leanLayout->addWidget(leanChart_);
  leanLayout->addWidget(lean_, 0, Qt::AlignLeft);
  leanLayout->addStretch(1);
  auto* magBox = new QWidget;
  auto* magLayout = new QVBoxLayout(magBox);
  magLayout->setContentsMargins(0, 0, 0, 0);
  magLayout->addWidget(title(QStringLiteral("Magneto check: each EGT's rise on one magneto")));
  magLayout->addWidget(mag_, 0, Qt::AlignLeft);
  magLayout->addStretch(1);
  grid->addWidget(leanBox, row, 0);
  grid->addWidget(magBox, row++, 1);
  grid->setRowStretch(row, 1);
  grid->setColumnStretch(0, 1);
  grid->setColumnStretch(1, 1);
  setWidget(page);

  connect(phases_, &QTableWidget::cellClicked, this, [this](int r) {
    const QTableWidgetItem* i = phases_->item(r, 0);
    emit spanChosen(i->data(kStartRole).toDouble(), i->data(kEndRole).toDouble());
  });
  for (QTableWidget* t : {findings_, acknowledged_})
    connect(t, &QTableWidget::cellClicked, this, [this, t](int r) {
      const QTableWidgetItem* i = t->item(r, 0);
      if (!i || !i->data(kPeakRole).isValid()) return;  // the "no findings" line
      emit findingChosen(i->data(kPeakRole).toDouble(), i->data(kStartRole).toDouble(), i->data(kEndRole).toDouble());
    });
  for (QTableWidget* t : {lean_, mag_})
    connect(t, &QTableWidget::cellClicked, this, [this, t](int r) {
      const QTableWidgetItem* i = t->item(r, 0);
      if (i && i->data(kPeakRole).isValid()) emit timeChosen(i->data(kPeakRole).toDouble());
    });
  connect(timeline_, &PhaseTimeline::spanChosen, this, &SummaryView::spanChosen);
}

void SummaryView::showAnalysis(std::shared_ptr<const Flight> flight, const EngineAnalysis& analysis,
                               const QStringList& problems) {
  flight_ = std::move(flight);
  problems_->setVisible(!problems.isEmpty());
  QStringList lines;
  for (const QString& p : problems) lines << p.toHtmlEscaped();
  problems_->setText(QStringLiteral("<span style='color:#b00000'>%1</span>").arg(lines.join(QStringLiteral("<br>"))));
  const double length = flight_->rows() ? flight_->seconds.back() : 0;
  timeline_->setPhases(analysis.phases.spans, analysis.findings, length);
  fillPhases(analysis);
  fillPower(analysis);
  fillFindings(analysis);
  fillLean(analysis);
  fillMag(analysis);
}

void SummaryView::fillPhases(const EngineAnalysis& a) {
  const double day = flight_->startOfDay;
  const QString degrees = text(UnitText(EngineUnit(flight_->facts)));
  const QString fuel = text(UnitText(FuelAmountUnit(flight_->channels)));
  phases_->setRowCount(0);
  if (a.phases.figures.empty()) {
    phases_->setRowCount(1);
    phases_->setItem(0, 0, cell(QStringLiteral("None found: ") + text(a.phases.why)));
    setTimes(phases_, 0, 0, flight_->rows() ? flight_->seconds.back() : 0, 0);
  }
  for (const PhaseFigures& f : a.phases.figures) {
    const int r = phases_->rowCount();
    phases_->insertRow(r);
    auto* name = cell(word(PhaseName(f.phase), true));
    name->setBackground(PhaseColour(f.phase));
    phases_->setItem(r, 0, name);
    phases_->setItem(r, 1, cell(clockText(day + f.start_s), kRight));
    phases_->setItem(r, 2, cell(clockText(day + f.end_s), kRight));
    phases_->setItem(r, 3, cell(durationText(f.end_s - f.start_s), kRight));
    phases_->setItem(r, 4, cell(number(f.fuel, 1) + (std::isfinite(f.fuel) ? QLatin1Char(' ') + fuel : QString()), kRight));
    phases_->setItem(r, 5, cell(number(f.max_cht) + (std::isfinite(f.max_cht) ? QLatin1Char(' ') + degrees : QString()), kRight));
    phases_->setItem(r, 6, cell(number(f.mean_egt) + (std::isfinite(f.mean_egt) ? QLatin1Char(' ') + degrees : QString()), kRight));
    phases_->setItem(r, 7, cell(number(f.mean_power) + (std::isfinite(f.mean_power) ? QStringLiteral(" %") : QString()), kRight));
    setTimes(phases_, r, f.start_s, f.end_s, f.start_s);
  }
  fitRows(phases_);
}

void SummaryView::fillPower(const EngineAnalysis& a) {
  const double day = flight_->startOfDay;
  const CruisePower& p = a.powerMixture.power;
  QString html = p.judged ? QStringLiteral("Power in cruise: <b>%1 %</b> (%2)")
                                .arg(number(p.cruise_percent), word(p.method).toHtmlEscaped())
                          : QStringLiteral("Power in cruise: not judged (%1)").arg(text(p.why).toHtmlEscaped());
  for (const MixtureSegment& m : a.powerMixture.mixture)
    html += QStringLiteral("<br>Cruise from %1: <b>%2</b> — %3")
                .arg(clockText(day + m.start_s), word(MixtureStateName(m.state)), text(m.evidence).toHtmlEscaped());
  if (a.powerMixture.mixture.empty()) html += QStringLiteral("<br>Mixture: no cruise to judge.");
  // The valve screen and the sensor faults; both are findings as well, which the list below opens.
  const ValveScreen& v = a.valveScreen;
  if (!v.judged) {
    html += QStringLiteral("<br>Valve screen: not judged (%1)").arg(text(v.why).toHtmlEscaped());
  } else {
    QStringList swinging;
    for (const ValveCylinder& c : v.cylinders)
      if (c.verdict != ValveVerdict::None)
        swinging << QStringLiteral("%1 ±%2 every %3 s (%4)")
                        .arg(text(c.channel).toHtmlEscaped(), number(c.amplitude), number(c.period),
                             word(ValveVerdictName(c.verdict)));
    html += swinging.isEmpty() ? QStringLiteral("<br>Valve screen: no cylinder swings in cruise")
                               : QStringLiteral("<br>Valve screen: <b>%1</b>").arg(swinging.join(QStringLiteral(", ")));
  }
  QStringList faults;
  for (const SensorFault& f : a.sensorFaults)
    faults << QStringLiteral("%1 %2 from %3").arg(text(f.channel).toHtmlEscaped(), word(SensorFaultKindName(f.kind)),
                                                  clockText(day + f.start));
  html += faults.isEmpty() ? QStringLiteral("<br>Sensors: no probe reads like a fault")
                           : QStringLiteral("<br>Sensors: <b>%1</b>").arg(faults.join(QStringLiteral(", ")));
  powerText_->setText(html);
}

void SummaryView::fillFindings(const EngineAnalysis& a) {
  const double day = flight_->startOfDay;
  findings_->setRowCount(0);
  acknowledged_->setRowCount(0);
  for (const Finding& f : a.findings) {
    QTableWidget* t = f.acknowledged ? acknowledged_ : findings_;
    const int r = t->rowCount();
    t->insertRow(r);
    t->setItem(r, 0, cell(clockText(day + f.peakAt), kRight));
    auto* severity = cell(word(SeverityName(f.severity), true));
    severity->setForeground(severityColour(f.severity));
    t->setItem(r, 1, severity);
    t->setItem(r, 2, cell(word(KindName(f.kind))));
    t->setItem(r, 3, cell(text(f.channel)));
    QString what = text(f.text);
    if (!f.hint.empty()) what += QStringLiteral(" — ") + text(f.hint);
    int c = 4;
    if (f.acknowledged) t->setItem(r, c++, cell(text(f.reason)));
    t->setItem(r, c, cell(what));
    t->item(r, c)->setToolTip(what);
    setTimes(t, r, f.start, f.end, f.peakAt);
  }
  if (findings_->rowCount() == 0) {
    findings_->insertRow(0);
    findings_->setItem(0, 0, cell(QString()));
    findings_->setItem(0, 4, cell(QStringLiteral("No open findings: every limit held.")));
  }
  fitRows(findings_);
  const bool anyAcknowledged = acknowledged_->rowCount() > 0;
  acknowledgedTitle_->setVisible(anyAcknowledged);
  acknowledged_->setVisible(anyAcknowledged);
  fitRows(acknowledged_);
}

void SummaryView::fillLean(const EngineAnalysis& a) {
  const double day = flight_->startOfDay;
  lean_->setRowCount(0);
  QStringList lines;
  const QString degrees = text(UnitText(EngineUnit(flight_->facts)));
  const LeanTest* shown = nullptr;
  for (const LeanTest& t : a.leanTests) {
    const bool good = t.verdict == LeanVerdict::Good, bad = t.verdict == LeanVerdict::Poor;
    QString line = QStringLiteral("Sweep at %1 (%2 rows): <b><span style='color:%3'>%4</span></b>")
                       .arg(clockText(day + t.start_s))
                       .arg(t.rows)
                       .arg(verdictColour(good, bad).name(), word(LeanVerdictName(t.verdict)));
    if (t.judged)
      line += QStringLiteral(", the peaks %1 %2 apart, %3 first and %4 last")
                  .arg(number(t.spread, 2), text(UnitText(t.spread_unit)), text(t.first).toHtmlEscaped(),
                       text(t.last).toHtmlEscaped());
    else if (t.verdict == LeanVerdict::Incomplete)
      line += QStringLiteral(": a cylinder did not pass its peak");
    else
      line += QStringLiteral(": too few rows or too quick a pull to place the peaks");
    lines << line;
    if (!shown || (!shown->judged && t.judged)) shown = &t;
    for (const LeanPeak& p : t.peaks) {
      const int r = lean_->rowCount();
      lean_->insertRow(r);
      lean_->setItem(r, 0, cell(clockText(day + t.start_s), kRight));
      lean_->setItem(r, 1, cell(text(p.channel)));
      lean_->setItem(r, 2, cell(number(p.peak) + QLatin1Char(' ') + degrees, kRight));
      lean_->setItem(r, 3, cell(p.placed ? number(p.fuel_flow, 2) + QLatin1Char(' ') + text(UnitText(t.spread_unit))
                                         : QStringLiteral("no peak"),
                                kRight));
      lean_->setItem(r, 4, cell(p.placed ? clockText(day + p.at_s) : QString(), kRight));
      setTimes(lean_, r, t.start_s, t.end_s, p.placed ? p.at_s : t.start_s);
    }
  }
  if (lines.isEmpty()) lines << QStringLiteral("No leaning sweep in this flight.");
  leanText_->setText(lines.join(QStringLiteral("<br>")));
  lean_->setVisible(lean_->rowCount() > 0);
  fitRows(lean_);
  leanChart_->setVisible(shown != nullptr);
  if (shown) drawLeanChart(*shown);
}

// Each cylinder's EGT against the fuel flow over the sweep, its peak marked.
void SummaryView::drawLeanChart(const LeanTest& test) {
  QCustomPlot* plot = leanChart_;
  plot->clearGraphs();
  plot->clearItems();
  const Flight& f = *flight_;
  const std::size_t first = f.nearestRow(test.start_s), last = f.nearestRow(test.end_s);
  static const QColor colours[] = {QColor(0x1f, 0x77, 0xb4), QColor(0xff, 0x7f, 0x0e), QColor(0x2c, 0xa0, 0x2c),
                                   QColor(0xd6, 0x27, 0x28), QColor(0x94, 0x67, 0xbd), QColor(0x8c, 0x56, 0x4b),
                                   QColor(0xe3, 0x77, 0xc2), QColor(0x7f, 0x7f, 0x7f), QColor(0xbc, 0xbd, 0x22)};
  std::vector<LeanPeak> peaks = test.peaks;
  std::sort(peaks.begin(), peaks.end(), [](const LeanPeak& a, const LeanPeak& b) { return a.channel < b.channel; });
  int n = 0;
  for (const LeanPeak& p : peaks) {
    const int egt = f.channelIndex(p.channel);
    if (egt < 0) continue;
    const Engine engine = f.channels[static_cast<std::size_t>(egt)].engine;
    int flow = -1;
    for (std::size_t c = 0; c < f.channels.size() && flow < 0; ++c)
      if (f.channels[c].kind == ChannelKind::FuelFlow && f.channels[c].engine == engine) flow = static_cast<int>(c);
    if (flow < 0) continue;
    QCPGraph* g = plot->addGraph();
    const QColor colour = colours[n++ % 9];
    g->setPen(QPen(colour, 1.5));
    g->setName(text(p.channel));
    g->setLineStyle(QCPGraph::lsNone);
    g->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, 4));
    for (std::size_t r = first; r <= last && r < f.rows(); ++r) {
      const float x = f.column(static_cast<std::size_t>(flow))[r], y = f.column(static_cast<std::size_t>(egt))[r];
      if (std::isfinite(x) && std::isfinite(y)) g->addData(x, y);
    }
    if (p.placed) {
      auto* mark = new QCPItemTracer(plot);
      mark->position->setCoords(p.fuel_flow, p.peak);
      mark->setStyle(QCPItemTracer::tsCircle);
      mark->setSize(11);
      mark->setPen(QPen(colour, 2));
    }
  }
  plot->xAxis->setLabel(QStringLiteral("Fuel flow, %1").arg(text(UnitText(test.spread_unit))));
  plot->yAxis->setLabel(QStringLiteral("EGT, %1").arg(text(UnitText(EngineUnit(f.facts)))));
  plot->legend->setVisible(n > 0);
  plot->legend->setFont(font());
  plot->rescaleAxes();
  plot->yAxis->scaleRange(1.1);
  plot->xAxis->scaleRange(1.05);
  // Leaning runs from high flow to low: the sweep reads left to right.
  plot->xAxis->setRangeReversed(true);
  plot->replot();
}

void SummaryView::fillMag(const EngineAnalysis& a) {
  const double day = flight_->startOfDay;
  const QString degrees = text(UnitText(EngineUnit(flight_->facts)));
  mag_->setRowCount(0);
  // One column per cylinder any interval has, in cylinder order.
  std::vector<std::string> channels;
  for (const MagCheck& m : a.magChecks)
    for (const MagRise& r : m.rises)
      if (std::find(channels.begin(), channels.end(), r.channel) == channels.end()) channels.push_back(r.channel);
  const bool anyCaution = std::any_of(a.magChecks.begin(), a.magChecks.end(),
                                      [](const MagCheck& m) { return !m.caution.empty(); });
  QStringList columns{"Time", "RPM drop", "Verdict"};
  for (const std::string& c : channels) columns << text(c);
  if (anyCaution) columns << QStringLiteral("Caution");
  mag_->setColumnCount(static_cast<int>(columns.size()));
  mag_->setHorizontalHeaderLabels(columns);
  for (const MagCheck& m : a.magChecks) {
    const int r = mag_->rowCount();
    mag_->insertRow(r);
    mag_->setItem(r, 0, cell(clockText(day + m.start_s), kRight));
    mag_->setItem(r, 1, cell(number(m.rpm_drop), kRight));
    auto* verdict = cell(word(MagVerdictName(m.verdict)));
    verdict->setForeground(verdictColour(m.verdict == MagVerdict::Normal,
                                         m.verdict == MagVerdict::Plug || m.verdict == MagVerdict::Magneto));
    mag_->setItem(r, 2, verdict);
    for (std::size_t c = 0; c < channels.size(); ++c) {
      const auto rise = std::find_if(m.rises.begin(), m.rises.end(),
                                     [&](const MagRise& x) { return x.channel == channels[c]; });
      mag_->setItem(r, 3 + static_cast<int>(c),
                    cell(rise == m.rises.end() ? QString() : QStringLiteral("%1 %2").arg(number(rise->rise), degrees), kRight));
    }
    if (anyCaution) mag_->setItem(r, static_cast<int>(columns.size()) - 1, cell(text(m.caution)));
    setTimes(mag_, r, m.start_s, m.end_s, m.start_s);
  }
  if (a.magChecks.empty()) {
    mag_->insertRow(0);
    mag_->setItem(0, 0, cell(QStringLiteral("No magneto check in the run-up.")));
    mag_->setSpan(0, 0, 1, static_cast<int>(columns.size()));
  }
  fitRows(mag_);
}

}  // namespace varnix::app::flight_view
