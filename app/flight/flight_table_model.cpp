// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/flight/flight_table_model.h"

#include <QBrush>
#include <QColor>

#include "render/chart_colors.h"
#include "app/flight/readout.h"

namespace varnix::app::flight_view {

FlightTableModel::FlightTableModel(std::shared_ptr<const flight::Flight> flight, QObject* parent)
    : QAbstractTableModel(parent), flight_(std::move(flight)) {
  for (const flight::Channel& c : flight_->channels) colors_.push_back(render::channelTextColor(c));
}

int FlightTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(flight_->rows());
}

// Column 0 is the time of day, then the channels in file order.
int FlightTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(flight_->channels.size()) + 1;
}

QVariant FlightTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const auto row = static_cast<std::size_t>(index.row());
  const int col = index.column();
  switch (role) {
    case Qt::DisplayRole: {
      if (col == 0) return clockText(flight_->startOfDay + flight_->seconds[row]);
      const auto c = static_cast<std::size_t>(col - 1);
      const float v = flight_->columns[c][row];
      if (flight_->channels[c].kind == flight::ChannelKind::Mark) return v == 1.0f ? QStringLiteral("S") : QString();
      return valueText(v);
    }
    case Qt::ForegroundRole:
      return col == 0 ? QVariant() : QVariant(QBrush(colors_[static_cast<std::size_t>(col - 1)]));
    case Qt::TextAlignmentRole:
      return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    default:
      return {};
  }
}

QVariant FlightTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Vertical) return section + 1;
  if (section == 0) return QStringLiteral("TIME");
  return QString::fromStdString(flight_->channels[static_cast<std::size_t>(section - 1)].name);
}

}  // namespace varnix::app::flight_view
