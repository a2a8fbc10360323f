// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/flight/readout.h"

#include <algorithm>
#include <cmath>

#include "flight/channels.h"
#include "frontend/report/time_text.h"
#include "render/chart_colors.h"

namespace varnix::app::flight_view {

namespace {

QString colored(const flight::Channel& c) {
  return QStringLiteral("<span style='color:%1'><b>%2</b></span>")
      .arg(render::channelTextColor(c).name(), QString::fromStdString(c.name).toHtmlEscaped());
}

bool listsCylinders(const frontend::PanelPlan& p) {
  return p.key.ends_with("EGT") || p.key.ends_with("CHT");
}

}  // namespace

QString clockText(double seconds) { return QString::fromStdString(varnix::frontend::report::ClockText(seconds)); }

QString durationText(double seconds) { return QString::fromStdString(varnix::frontend::report::DurationText(seconds)); }

QString valueText(float value) {
  if (std::isnan(value)) return QStringLiteral("NA");
  return QString::number(static_cast<double>(value), 'g', 6);
}

RangeStats statsOfRows(const flight::Flight& f, std::size_t firstRow, std::size_t endRow, bool isSpan) {
  RangeStats r;
  r.firstRow = firstRow;
  r.endRow = std::min(endRow, f.rows());
  r.isSpan = isSpan;
  r.channels.reserve(f.channels.size());
  for (std::size_t c = 0; c < f.channels.size(); ++c) r.channels.push_back(analysis::StatsOf(f, c, firstRow, r.endRow));
  return r;
}

QString cursorHtml(const flight::Flight& f, const std::vector<frontend::PanelPlan>& panels, std::size_t row) {
  if (row >= f.rows()) return {};
  QString html = QStringLiteral("<p><span style='font-size:13pt'><b>%1</b></span><br>+%2 &nbsp; row %3%4</p>")
                     .arg(clockText(f.startOfDay + f.seconds[row]), clockText(f.seconds[row]))
                     .arg(row + 1)
                     .arg(f.marked(row) ? QStringLiteral(" &nbsp; <b>MARK</b>") : QString());
  html += QStringLiteral("<table cellspacing='0' cellpadding='1'>");
  for (const frontend::PanelPlan& p : panels) {
    std::vector<int> channels = p.left;
    channels.insert(channels.end(), p.right.begin(), p.right.end());
    channels.insert(channels.end(), p.third.begin(), p.third.end());
    QString spread;
    if (listsCylinders(p)) {
      // Hottest first; TIT stays out of the spread of the cylinders.
      std::stable_sort(channels.begin(), channels.end(), [&](int a, int b) {
        const float va = f.columns[static_cast<std::size_t>(a)][row], vb = f.columns[static_cast<std::size_t>(b)][row];
        return (std::isnan(vb) && !std::isnan(va)) || va > vb;
      });
      float lo = NAN, hi = NAN;
      for (int c : channels) {
        const flight::Channel& k = f.channels[static_cast<std::size_t>(c)];
        const float v = f.columns[static_cast<std::size_t>(c)][row];
        if (k.kind == flight::ChannelKind::Tit || std::isnan(v)) continue;
        lo = std::isnan(lo) ? v : std::min(lo, v);
        hi = std::isnan(hi) ? v : std::max(hi, v);
      }
      if (!std::isnan(hi)) spread = QStringLiteral(" &nbsp; spread %1").arg(valueText(hi - lo));
    }
    html += QStringLiteral("<tr><td colspan='3' style='padding-top:6px'><i>%1</i>%2</td></tr>")
                .arg(QString::fromStdString(p.title), spread);
    for (int c : channels) {
      const flight::Channel& ch = f.channels[static_cast<std::size_t>(c)];
      html += QStringLiteral("<tr><td>%1</td><td align='right'>&nbsp;%2</td><td>&nbsp;%3</td></tr>")
                  .arg(colored(ch), valueText(f.columns[static_cast<std::size_t>(c)][row]),
                       QString::fromUtf8(flight::UnitText(ch.unit)));
    }
  }
  return html + QStringLiteral("</table>");
}

QString statsHtml(const flight::Flight& f, const std::vector<frontend::PanelPlan>& panels, const RangeStats& stats) {
  if (stats.endRow <= stats.firstRow) return {};
  const double from = f.seconds[stats.firstRow], to = f.seconds[stats.endRow - 1];
  QString html = QStringLiteral("<p><b>%1</b> %2 – %3<br>%4 long</p>")
                     .arg(stats.isSpan ? QStringLiteral("Span") : QStringLiteral("Shown"),
                          clockText(f.startOfDay + from), clockText(f.startOfDay + to), durationText(to - from));
  html += QStringLiteral("<table cellspacing='0' cellpadding='1'><tr><td></td><td align='right'>min</td>"
                         "<td align='right'>&nbsp;max</td><td align='right'>&nbsp;mean</td></tr>");
  for (const frontend::PanelPlan& p : panels) {
    std::vector<int> channels = p.left;
    channels.insert(channels.end(), p.right.begin(), p.right.end());
    channels.insert(channels.end(), p.third.begin(), p.third.end());
    for (int c : channels) {
      const analysis::ChannelStats& s = stats.channels[static_cast<std::size_t>(c)];
      const flight::Channel& name = f.channels[static_cast<std::size_t>(c)];
      if (s.count == 0) {
        html += QStringLiteral("<tr><td>%1</td><td align='right'>NA</td></tr>").arg(colored(name));
        continue;
      }
      html += QStringLiteral("<tr><td>%1</td><td align='right'>%2</td><td align='right'>&nbsp;%3</td>"
                             "<td align='right'>&nbsp;%4</td></tr>")
                  .arg(colored(name), valueText(static_cast<float>(s.min)), valueText(static_cast<float>(s.max)),
                       QString::number(s.mean, 'f', 1));
    }
  }
  return html + QStringLiteral("</table>");
}

}  // namespace varnix::app::flight_view
