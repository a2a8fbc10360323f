// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/flight/section_view.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <qcustomplot.h>

#include "app/flight/lean_chart.h"
#include "app/flight/readout.h"
#include "app/shared/column_fit.h"
#include "app/shared/utf8_text.h"
#include "render/chart_annotations.h"

namespace varnix::app::flight_view {

namespace {

using namespace flight;

constexpr Qt::Alignment kLeft = Qt::AlignLeft | Qt::AlignVCenter;
constexpr Qt::Alignment kRight = Qt::AlignRight | Qt::AlignVCenter;

QString utf8(std::string_view s) { return Utf8ToQString(s); }

// A cell on screen: times as clock times, each figure with its unit, an unknown one as a dash.
QString cellText(const Flight& f, const analysis::ResultCell& c) {
  using Kind = analysis::ResultCell::Kind;
  switch (c.kind) {
    case Kind::Text: return utf8(c.text);
    case Kind::Value:
      if (!std::isfinite(c.value)) return QStringLiteral("—");
      return QString::number(c.value, 'f', c.decimals) + (c.unit.empty() ? QString() : QLatin1Char(' ') + utf8(c.unit));
    case Kind::Time: return clockText(f.startOfDay + c.value);
    case Kind::Duration: return durationText(c.value);
    case Kind::Phase: return utf8(analysis::NameWords(analysis::PhaseName(c.phase), true));
  }
  return {};
}

QColor toneColour(analysis::Tone t) {
  switch (t) {
    case analysis::Tone::Good: return QColor(0x1a, 0x70, 0x1a);
    case analysis::Tone::Caution: return QColor(0x9a, 0x60, 0);
    case analysis::Tone::Warning: return QColor(0xb0, 0, 0);
    case analysis::Tone::Normal: break;
  }
  return {};
}

// A line's runs as rich text, the runs of one look in one span.
QString lineHtml(const Flight& f, const analysis::ResultLine& line) {
  QString html;
  for (std::size_t i = 0; i < line.size();) {
    const analysis::ResultCell& first = line[i];
    QString run;
    for (; i < line.size() && line[i].strong == first.strong && line[i].tone == first.tone; ++i)
      run += cellText(f, line[i]).toHtmlEscaped();
    if (first.tone != analysis::Tone::Normal)
      run = QStringLiteral("<span style='color:%1'>%2</span>").arg(toneColour(first.tone).name(), run);
    html += first.strong ? QStringLiteral("<b>%1</b>").arg(run) : run;
  }
  return html;
}

QLabel* titleLabel(const QString& t) {
  auto* l = new QLabel(QStringLiteral("<b>%1</b>").arg(t.toHtmlEscaped()));
  l->setTextFormat(Qt::RichText);
  return l;
}

// A column of figures or times reads from the right.
bool rightAligned(const analysis::ResultSection& s, std::size_t column) {
  return std::any_of(s.rows.begin(), s.rows.end(), [&](const analysis::ResultRow& r) {
    return column < r.cells.size() && r.cells[column].kind != analysis::ResultCell::Kind::Text &&
           r.cells[column].kind != analysis::ResultCell::Kind::Phase;
  });
}

QTableWidget* sectionTable(const Flight& f, const analysis::ResultSection& s) {
  QStringList columns;
  for (const analysis::ResultColumn& c : s.columns) columns << utf8(c.title);
  QTableWidget* t = SummaryTable(columns, QString());
  t->setRowCount(static_cast<int>(s.rows.size()));
  std::vector<Qt::Alignment> align;
  for (std::size_t c = 0; c < s.columns.size(); ++c) align.push_back(rightAligned(s, c) ? kRight : kLeft);
  for (std::size_t r = 0; r < s.rows.size(); ++r) {
    const analysis::ResultRow& row = s.rows[r];
    for (std::size_t c = 0; c < row.cells.size() && c < s.columns.size(); ++c) {
      const analysis::ResultCell& x = row.cells[c];
      auto* item = new QTableWidgetItem(cellText(f, x));
      item->setTextAlignment(align[c]);
      if (x.kind == analysis::ResultCell::Kind::Phase) item->setBackground(render::PhaseColour(x.phase));
      if (x.tone != analysis::Tone::Normal) item->setForeground(toneColour(x.tone));
      if (x.strong) {
        QFont bold = t->font();
        bold.setBold(true);
        item->setFont(bold);
      }
      t->setItem(static_cast<int>(r), static_cast<int>(c), item);
    }
    if (!t->item(static_cast<int>(r), 0)) t->setItem(static_cast<int>(r), 0, new QTableWidgetItem);
    QTableWidgetItem* first = t->item(static_cast<int>(r), 0);
    first->setData(kRowStartRole, row.start);
    first->setData(kRowEndRole, row.end);
    first->setData(kRowAtRole, row.at);
  }
  FitRows(t);
  return t;
}

QWidget* sectionChart(const Flight& f, const analysis::EngineAnalysis& a, analysis::ResultChart chart, QWidget* parent) {
  switch (chart) {
    case analysis::ResultChart::LeanSweep: return LeanSweepChart(f, a.leanTests, parent);
    case analysis::ResultChart::None: break;
  }
  return nullptr;
}

}  // namespace

QTableWidget* SummaryTable(const QStringList& columns, const QString& name, bool stretch) {
  auto* t = new QTableWidget(0, static_cast<int>(columns.size()));
  t->setObjectName(name);
  t->setHorizontalHeaderLabels(columns);
  t->setEditTriggers(QAbstractItemView::NoEditTriggers);
  t->setSelectionBehavior(QAbstractItemView::SelectRows);
  t->setSelectionMode(QAbstractItemView::SingleSelection);
  t->verticalHeader()->hide();
  t->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  t->verticalHeader()->setDefaultSectionSize(t->fontMetrics().height() + 6);
  if (!stretch) {
    // As wide as its columns, once they are laid out.
    t->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    t->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
  }
  // The tab scrolls as a whole; a table shows every row.
  t->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  // A wide table's last column (the finding's words) takes the free width.
  FitColumns(t, stretch ? QList<int>{static_cast<int>(columns.size()) - 1} : QList<int>{});
  return t;
}

void FitRows(QTableWidget* t) {
  RefitColumns(t);
  int height = t->horizontalHeader()->sizeHint().height() + 2 * t->frameWidth();
  for (int r = 0; r < t->rowCount(); ++r) height += t->rowHeight(r);
  t->setFixedHeight(height);
}

SectionView::SectionView(const Flight& f, const analysis::EngineAnalysis& a, const analysis::ResultSection& s, QWidget* parent)
    : QWidget(parent), title_(utf8(s.title)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(titleLabel(title_));
  QStringList lines;
  for (const analysis::ResultLine& line : s.lines) lines << lineHtml(f, line);
  if (s.rows.empty() && !s.empty.empty()) lines << utf8(s.empty).toHtmlEscaped();
  if (!lines.isEmpty()) {
    text_ = new QLabel(lines.join(QStringLiteral("<br>")));
    text_->setTextFormat(Qt::RichText);
    text_->setWordWrap(true);
    text_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    text_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(text_);
  }
  if (QWidget* chart = sectionChart(f, a, s.chart, this)) layout->addWidget(chart);
  if (!s.columns.empty() && (!s.rows.empty() || s.tableAlways)) {
    table_ = sectionTable(f, s);
    layout->addWidget(table_, 0, Qt::AlignLeft);
    const bool span = s.rowShowsSpan;
    connect(table_, &QTableWidget::cellClicked, this, [this, span](int r) {
      const QTableWidgetItem* i = table_->item(r, 0);
      if (!i || !i->data(kRowAtRole).isValid()) return;
      if (span)
        emit spanChosen(i->data(kRowStartRole).toDouble(), i->data(kRowEndRole).toDouble());
      else
        emit timeChosen(i->data(kRowAtRole).toDouble());
    });
  }
  layout->addStretch(1);
}

}  // namespace varnix::app::flight_view
