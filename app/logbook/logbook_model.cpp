// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/logbook/logbook_model.h"

#include <QApplication>
#include <QBrush>
#include <QFont>
#include <QStyle>
#include <cmath>

#include "analysis/mag_check.h"
#include "frontend/report/time_text.h"

namespace varnix::app::logbook {

namespace {

// Sort keys: a flight without the figure sorts below every flight with it.
QVariant number(double v) { return std::isfinite(v) ? QVariant(v) : QVariant(-HUGE_VAL); }
QVariant sortKey(const analysis::Figure& f) { return f.known() ? QVariant(static_cast<double>(f.value)) : QVariant(-HUGE_VAL); }

}  // namespace

QString figureText(const analysis::Figure& f, int decimals) {
  if (!f.known()) return {};
  return QStringLiteral("%1 %2").arg(f.value, 0, 'f', decimals).arg(QString::fromStdString(f.channel));
}

LogbookModel::LogbookModel(QObject* parent) : QAbstractTableModel(parent) {}

void LogbookModel::setLog(std::shared_ptr<const store::AircraftLog> log) {
  beginResetModel();
  log_ = std::move(log);
  endResetModel();
}

int LogbookModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() || !log_ ? 0 : static_cast<int>(log_->flights.size());
}

int LogbookModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant LogbookModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  static const char* const kTitles[] = {"Date and start", "Flight",      "Duration", "Interval",  "Hottest EGT",
                                        "Hottest CHT",    "Max DIF",     "Fastest cooling", "Min BAT", "Fuel used",
                                        "Mag check",      "Findings",    "File"};
  return QString::fromUtf8(kTitles[section]);
}

QVariant LogbookModel::data(const QModelIndex& index, int role) const {
  if (!log_ || !index.isValid()) return {};
  const store::LogbookFlight& f = log_->flights[static_cast<std::size_t>(index.row())];
  const store::CatalogEntry& e = f.entry;
  if (role == kFlightIndexRole) return index.row();
  if (role == Qt::FontRole && f.isNew) {
    QFont bold;
    bold.setBold(true);
    return bold;
  }
  if (role == Qt::ToolTipRole) {
    QStringList tips;
    if (f.isNew) tips << QStringLiteral("Added since the logbook was last opened");
    if (f.differs) tips << QStringLiteral("Another file has this flight number and start with different data");
    if (f.recordedTwice)
      tips << QStringLiteral("Recorded twice: more than one display of the aircraft logged this flight; it counts once");
    if (f.files.size() > 1)
      tips << QStringLiteral("Files: %1").arg(QString::fromStdString([&] {
        std::string s;
        for (const auto& file : f.files) s += (s.empty() ? "" : ", ") + file;
        return s;
      }()));
    for (const auto& x : f.findings) tips << QString::fromStdString(x.text);
    return tips.join(QLatin1Char('\n'));
  }
  if (role == Qt::DecorationRole && index.column() == Findings && !f.findings.empty()) {
    bool warning = false;
    for (const auto& x : f.findings) warning |= x.severity == analysis::Severity::Warning;
    return QApplication::style()->standardIcon(warning ? QStyle::SP_MessageBoxCritical : QStyle::SP_MessageBoxWarning);
  }
  if (role == Qt::ForegroundRole && f.differs && index.column() == Flight) return QBrush(QColor(0xb0, 0x50, 0x00));
  if (role == Qt::TextAlignmentRole)
    return index.column() == File || index.column() == Date || index.column() == MagCheck ? QVariant(Qt::AlignLeft | Qt::AlignVCenter)
                                                            : QVariant(Qt::AlignRight | Qt::AlignVCenter);
  const bool sort = role == kSortRole;
  if (role != Qt::DisplayRole && !sort) return {};
  switch (index.column()) {
    case Date: {
      QString text = QString::fromStdString(e.start).replace(QLatin1Char('T'), QLatin1Char(' '));
      if (f.isNew && !sort) text += QStringLiteral("  new");
      return sort ? QVariant(QString::fromStdString(e.start)) : QVariant(text);
    }
    case Flight:
      if (sort) return static_cast<double>(e.flightNumber);
      return QString::fromStdString(e.flightLabel) + (f.differs ? QStringLiteral(" ≠") : QString());
    case Duration:
      return sort ? QVariant(e.recordedSeconds) : QVariant(QString::fromStdString(varnix::frontend::report::DurationText(e.recordedSeconds)));
    case Interval:
      return sort ? QVariant(e.interval) : QVariant(QStringLiteral("%1 s").arg(e.interval));
    case HottestEgt:
      return sort ? sortKey(e.hottestEgt) : QVariant(figureText(e.hottestEgt));
    case HottestCht:
      return sort ? sortKey(e.hottestCht) : QVariant(figureText(e.hottestCht));
    case MaxDif:
      return sort ? sortKey(e.difMax) : QVariant(figureText(e.difMax));
    case Cooling:
      return sort ? sortKey(e.fastestCooling)
                  : QVariant(figureText(e.fastestCooling));
    case MinBat:
      return sort ? sortKey(e.batteryMin)
                  : QVariant(figureText(e.batteryMin, 1));
    case Fuel:
      if (sort) return number(e.fuelUsed);
      return std::isfinite(e.fuelUsed) ? QVariant(QString::number(e.fuelUsed, 'f', 1)) : QVariant();
    case MagCheck:
      return QString::fromStdString(analysis::MagCheckWord(e.digest.magChecks));
    case Findings:
      return sort || !f.findings.empty() ? QVariant(static_cast<int>(f.findings.size())) : QVariant();
    case File:
      return QString::fromStdString(e.file) +
             (f.files.size() > 1 && !sort ? QStringLiteral(" (+%1)").arg(f.files.size() - 1) : QString()) +
             (f.recordedTwice && !sort ? QStringLiteral(" recorded twice") : QString());
    default:
      return {};
  }
}

}  // namespace varnix::app::logbook
