// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/flight/summary_view.h"

#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "analysis/analysis_registry.h"
#include "app/flight/readout.h"
#include "app/flight/section_view.h"
#include "app/shared/utf8_text.h"
#include "render/chart_annotations.h"

namespace varnix::app::flight_view {

namespace {

using namespace flight;

QString text(std::string_view s) { return Utf8ToQString(s); }

// "cht_caution" as a table shows it: "cht caution", the first capital when asked.
QString word(std::string_view name, bool capital = false) { return text(analysis::NameWords(name, capital)); }

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

QTableWidgetItem* cell(const QString& s, Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter) {
  auto* item = new QTableWidgetItem(s);
  item->setTextAlignment(align);
  return item;
}
constexpr Qt::Alignment kRight = Qt::AlignRight | Qt::AlignVCenter;

QColor severityColour(analysis::Severity s) { return s == analysis::Severity::Warning ? QColor(0xb0, 0, 0) : QColor(0x9a, 0x60, 0); }

// A grid of two equal columns.
QGridLayout* twoColumns(QWidget* w) {
  auto* grid = new QGridLayout(w);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setHorizontalSpacing(16);
  grid->setVerticalSpacing(6);
  grid->setColumnStretch(0, 1);
  grid->setColumnStretch(1, 1);
  return grid;
}

}  // namespace

QColor PhaseColour(analysis::Phase phase) { return render::PhaseColour(phase); }

PhaseTimeline::PhaseTimeline(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("phaseTimeline"));
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  setCursor(Qt::PointingHandCursor);
}

void PhaseTimeline::setPhases(std::vector<analysis::PhaseSpan> spans, std::vector<analysis::Finding> findings, double length) {
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
  const analysis::PhaseSpan& s = spans_[static_cast<std::size_t>(i)];
  const int left = static_cast<int>(std::floor(xOf(s.start))), right = static_cast<int>(std::ceil(xOf(s.end)));
  return QRect(left, 0, std::max(1, right - left), 2 * fontMetrics().height() + 4);
}

void PhaseTimeline::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().base());
  for (int i = 0; i < static_cast<int>(spans_.size()); ++i) {
    const analysis::PhaseSpan& s = spans_[static_cast<std::size_t>(i)];
    const QRect r = bandRect(i);
    p.fillRect(r, PhaseColour(s.phase));
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(r.adjusted(0, 0, -1, -1));
    const QString name = word(analysis::PhaseName(s.phase), true);
    if (p.fontMetrics().horizontalAdvance(name) + 6 <= r.width()) {
      p.setPen(palette().color(QPalette::Text));
      p.drawText(r, Qt::AlignCenter, name);
    }
  }
  // The findings below the bands, a mark at each peak over its span.
  const int y = 2 * fontMetrics().height() + 6;
  for (const analysis::Finding& f : findings_) {
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
      const analysis::PhaseSpan& s = spans_[static_cast<std::size_t>(i)];
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
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(8, 8, 8, 8);
  layout->setSpacing(6);

  problems_ = prose();
  problems_->hide();
  maintenanceTitle_ = title(QStringLiteral("After maintenance"));
  maintenanceTitle_->hide();
  maintenance_ = prose();
  maintenance_->setObjectName(QStringLiteral("maintenanceText"));
  maintenance_->hide();
  timeline_ = new PhaseTimeline;
  auto* above = new QWidget;
  sectionsAbove_ = twoColumns(above);
  findings_ = SummaryTable({"Time", "Severity", "Finding", "Channel", "What"}, QStringLiteral("findingTable"), true);
  acknowledgedTitle_ = title(QStringLiteral("Acknowledged findings"));
  acknowledged_ = SummaryTable({"Time", "Severity", "Finding", "Channel", "Reason", "What"},
                               QStringLiteral("acknowledgedTable"), true);
  auto* below = new QWidget;
  sectionsBelow_ = twoColumns(below);

  layout->addWidget(problems_);
  layout->addWidget(maintenanceTitle_);
  layout->addWidget(maintenance_);
  layout->addWidget(timeline_);
  layout->addWidget(above);
  layout->addWidget(title(QStringLiteral("Findings")));
  layout->addWidget(findings_);
  layout->addWidget(acknowledgedTitle_);
  layout->addWidget(acknowledged_);
  layout->addWidget(below);
  layout->addStretch(1);
  setWidget(page);

  for (QTableWidget* t : {findings_, acknowledged_})
    connect(t, &QTableWidget::cellClicked, this, [this, t](int r) {
      const QTableWidgetItem* i = t->item(r, 0);
      if (!i || !i->data(kRowAtRole).isValid()) return;  // the "no findings" line
      emit findingChosen(i->data(kRowAtRole).toDouble(), i->data(kRowStartRole).toDouble(), i->data(kRowEndRole).toDouble());
    });
  connect(timeline_, &PhaseTimeline::spanChosen, this, &SummaryView::spanChosen);
}

void SummaryView::showAnalysis(std::shared_ptr<const Flight> flight, const analysis::EngineAnalysis& analysis,
                               const QStringList& problems) {
  flight_ = std::move(flight);
  problems_->setVisible(!problems.isEmpty());
  QStringList lines;
  for (const QString& p : problems) lines << p.toHtmlEscaped();
  problems_->setText(QStringLiteral("<span style='color:#b00000'>%1</span>").arg(lines.join(QStringLiteral("<br>"))));
  const double length = flight_->rows() ? flight_->seconds.back() : 0;
  timeline_->setPhases(analysis.phases.spans, analysis.findings, length);
  fillSections(analysis);
  fillFindings(analysis);
}

void SummaryView::showMaintenance(const QStringList& effects) {
  QStringList lines;
  for (const QString& e : effects) lines << e.toHtmlEscaped();
  maintenance_->setText(lines.join(QStringLiteral("<br>")));
  maintenanceTitle_->setVisible(!effects.isEmpty());
  maintenance_->setVisible(!effects.isEmpty());
}

void SummaryView::fillSections(const analysis::EngineAnalysis& a) {
  for (SectionView* v : sections_) delete v;
  sections_.clear();
  int n = 0;
  for (const analysis::ResultSection& s : analysis::DescribeAnalyses(*flight_, a)) {
    auto* v = new SectionView(*flight_, a, s);
    connect(v, &SectionView::timeChosen, this, &SummaryView::timeChosen);
    connect(v, &SectionView::spanChosen, this, &SummaryView::spanChosen);
    QGridLayout* grid = n < 2 ? sectionsAbove_ : sectionsBelow_;
    const int place = n < 2 ? n : n - 2;
    grid->addWidget(v, place / 2, place % 2);
    sections_.push_back(v);
    ++n;
  }
}

const SectionView* SummaryView::section(const QString& t) const {
  for (const SectionView* v : sections_)
    if (v->title() == t) return v;
  return nullptr;
}

QStringList SummaryView::sectionTitles() const {
  QStringList titles;
  for (const SectionView* v : sections_) titles << v->title();
  return titles;
}

QLabel* SummaryView::sectionText(const QString& t) const {
  const SectionView* v = section(t);
  return v ? v->text() : nullptr;
}

QTableWidget* SummaryView::sectionTable(const QString& t) const {
  const SectionView* v = section(t);
  return v ? v->table() : nullptr;
}

void SummaryView::fillFindings(const analysis::EngineAnalysis& a) {
  const double day = flight_->startOfDay;
  findings_->setRowCount(0);
  acknowledged_->setRowCount(0);
  for (const analysis::Finding& f : a.findings) {
    QTableWidget* t = f.acknowledged ? acknowledged_ : findings_;
    const int r = t->rowCount();
    t->insertRow(r);
    t->setItem(r, 0, cell(clockText(day + f.peakAt), kRight));
    auto* severity = cell(word(analysis::SeverityName(f.severity), true));
    severity->setForeground(severityColour(f.severity));
    t->setItem(r, 1, severity);
    t->setItem(r, 2, cell(word(analysis::KindName(f.kind))));
    t->setItem(r, 3, cell(text(f.channel)));
    QString what = text(f.text);
    if (!f.hint.empty()) what += QStringLiteral(" — ") + text(f.hint);
    int c = 4;
    if (f.acknowledged) t->setItem(r, c++, cell(text(f.reason)));
    t->setItem(r, c, cell(what));
    t->item(r, c)->setToolTip(what);
    QTableWidgetItem* first = t->item(r, 0);
    first->setData(kRowStartRole, f.start);
    first->setData(kRowEndRole, f.end);
    first->setData(kRowAtRole, f.peakAt);
  }
  if (findings_->rowCount() == 0) {
    findings_->insertRow(0);
    findings_->setItem(0, 0, cell(QString()));
    findings_->setItem(0, 4, cell(QStringLiteral("No open findings: every limit held.")));
  }
  FitRows(findings_);
  const bool anyAcknowledged = acknowledged_->rowCount() > 0;
  acknowledgedTitle_->setVisible(anyAcknowledged);
  acknowledged_->setVisible(anyAcknowledged);
  FitRows(acknowledged_);
}

}  // namespace varnix::app::flight_view
