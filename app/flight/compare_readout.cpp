// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/flight/compare_readout.h"

#include <QFileInfo>
#include <cmath>

#include "flight/channels.h"
#include "app/flight/readout.h"
#include "render/chart_colors.h"

namespace varnix::app::flight_view {

namespace {

QString colored(const flight::Channel& c) {
  return QStringLiteral("<span style='color:%1'><b>%2</b></span>")
      .arg(render::channelTextColor(c).name(), QString::fromStdString(c.name).toHtmlEscaped());
}

std::vector<int> channelsOf(const frontend::PanelPlan& p) {
  std::vector<int> channels = p.left;
  channels.insert(channels.end(), p.right.begin(), p.right.end());
  channels.insert(channels.end(), p.third.begin(), p.third.end());
  return channels;
}

// A difference with its sign, "NA" when either value is missing.
QString signedText(double value, int decimals) {
  if (std::isnan(value)) return QStringLiteral("NA");
  const QString digits = QString::number(value, 'f', decimals);
  return value > 0 && digits.toDouble() != 0 ? QLatin1Char('+') + digits : digits;
}

// As many decimals as the flight's values of that kind have.
int decimalsOf(const flight::Channel& c) {
  using K = flight::ChannelKind;
  switch (c.kind) {
    case K::FuelFlow: case K::FuelUsed: case K::FuelLevel: case K::FuelPressure: case K::Battery:
    case K::Amps: case K::Map: case K::OilPressure:
      return 1;
    default:
      return 0;
  }
}

QString signedClock(double seconds) {
  return (seconds < 0 ? QStringLiteral("−") : QStringLiteral("+")) + clockText(std::abs(seconds));
}

}  // namespace

QString compareHeadingHtml(const flight::Flight& a, const Comparison& c) {
  const flight::Flight& b = *c.flight;
  const QString label = b.facts.flightLabel.empty() ? QString()
                                                    : QStringLiteral(" (flight #%1)").arg(
                                                          QString::fromStdString(b.facts.flightLabel).toHtmlEscaped());
  // Where B's first row lies on A's clock.
  QString html = QStringLiteral("<p><b>B</b> (dashed): %1%2<br>aligned by %3, B's start at %4 (%5)")
                     .arg(QFileInfo(c.path).fileName().toHtmlEscaped(), label,
                          QString::fromUtf8(frontend::AlignByName(c.alignment.by).data()),
                          clockText(a.startOfDay + c.alignment.offset), signedClock(c.alignment.offset));
  if (!c.alignment.note.empty())
    html += QStringLiteral("<br><span style='color:#b00000'>%1</span>")
                .arg(QString::fromStdString(c.alignment.note).toHtmlEscaped());
  return html + QStringLiteral("</p>");
}

QString compareCursorHtml(const flight::Flight& a, const std::vector<frontend::PanelPlan>& panels, std::size_t row,
                          const Comparison& c) {
  if (row >= a.rows()) return {};
  const std::vector<frontend::ComparedValue> values = frontend::CompareAt(a, row, *c.flight, c.match, c.alignment);
  const double atB = a.seconds[row] - c.alignment.offset;
  QString html = QStringLiteral("<p><span style='font-size:13pt'><b>%1</b></span><br>+%2 &nbsp; row %3"
                                "<br>B: %4 (+%5)</p>")
                     .arg(clockText(a.startOfDay + a.seconds[row]), clockText(a.seconds[row]))
                     .arg(row + 1)
                     .arg(clockText(c.flight->startOfDay + atB), atB < 0 ? QStringLiteral("before its start")
                                                                         : clockText(atB));
  html += QStringLiteral("<table cellspacing='0' cellpadding='1'><tr><td></td><td align='right'>A</td>"
                         "<td align='right'>&nbsp;B</td><td align='right'>&nbsp;A−B</td><td></td></tr>");
  for (const frontend::PanelPlan& p : panels) {
    html += QStringLiteral("<tr><td colspan='5' style='padding-top:6px'><i>%1</i></td></tr>")
                .arg(QString::fromStdString(p.title).toHtmlEscaped());
    for (const int channel : channelsOf(p)) {
      const flight::Channel& ch = a.channels[static_cast<std::size_t>(channel)];
      const frontend::ComparedValue& v = values[static_cast<std::size_t>(channel)];
      html += QStringLiteral("<tr><td>%1</td><td align='right'>%2</td><td align='right'>&nbsp;%3</td>"
                             "<td align='right'>&nbsp;%4</td><td>&nbsp;%5</td></tr>")
                  .arg(colored(ch), valueText(v.a), valueText(v.b), signedText(v.difference, decimalsOf(ch)),
                       QString::fromUtf8(flight::UnitText(ch.unit).data()));
    }
  }
  return html + QStringLiteral("</table>");
}

QString rulerHtml(const flight::Flight& f, const std::vector<frontend::PanelPlan>& panels,
                  const frontend::RulerFigures& r, bool perChannel) {
  if (r.channels.size() != f.channels.size() || r.last >= f.rows()) return {};
  QString html = QStringLiteral("<p><b>Ruler</b> %1 – %2, %3<br>")
                     .arg(clockText(f.startOfDay + f.seconds[r.first]), clockText(f.startOfDay + f.seconds[r.last]),
                          clockText(r.seconds));
  const QString amountUnit = QString::fromUtf8(flight::UnitText(flight::FuelAmountUnit(f.channels)).data());
  for (const frontend::FuelBurnt& fuel : r.fuel) {
    const QString engine = QString::fromUtf8(flight::EnginePrefix(fuel.engine).data());
    html += QStringLiteral("Fuel burnt%1 <b>%2</b> %3 (%4)<br>")
                .arg(engine.isEmpty() ? QString() : QLatin1Char(' ') + engine,
                     QString::number(fuel.amount, 'f', 2), amountUnit,
                     fuel.fromUsed ? QStringLiteral("used fuel") : QStringLiteral("fuel flow"));
  }
  if (!perChannel)
    return html + QStringLiteral("<a href='%1'>Change per channel ▸</a></p>").arg(QLatin1String(kRulerOpen));
  html += QStringLiteral("<a href='%1'>Hide the change per channel ▾</a>").arg(QLatin1String(kRulerClose));
  html += QStringLiteral("</p><table cellspacing='0' cellpadding='1'><tr><td></td><td align='right'>change</td>"
                         "<td align='right'>&nbsp;per min</td></tr>");
  for (const frontend::PanelPlan& p : panels)
    for (const int channel : channelsOf(p)) {
      const flight::Channel& ch = f.channels[static_cast<std::size_t>(channel)];
      const frontend::RulerChange& v = r.channels[static_cast<std::size_t>(channel)];
      const int decimals = decimalsOf(ch);
      html += QStringLiteral("<tr><td>%1</td><td align='right'>%2</td><td align='right'>&nbsp;%3</td></tr>")
                  .arg(colored(ch), signedText(v.change, decimals), signedText(v.perMinute, decimals + 1));
    }
  return html + QStringLiteral("</table>");
}

QString baselineHtml(const std::vector<analysis::CruiseBaseline>& baselines, flight::Unit unit) {
  if (baselines.empty())
    return QStringLiteral("<p><b>Baseline</b>: none yet (five comparable flights before this one are needed)</p>");
  const QString units = QString::fromUtf8(flight::UnitText(unit).data());
  QString html = QStringLiteral("<p><b>Cruise against the baseline</b><br>the median of %1 comparable flights</p>"
                                "<table cellspacing='0' cellpadding='1'><tr><td></td><td align='right'>cruise</td>"
                                "<td align='right'>&nbsp;baseline</td><td align='right'>&nbsp;diff</td><td></td></tr>")
                     .arg(baselines.front().flights);
  for (const analysis::CruiseBaseline& b : baselines)
    html += QStringLiteral("<tr><td><b>%1</b></td><td align='right'>%2</td><td align='right'>&nbsp;%3</td>"
                           "<td align='right'>&nbsp;%4</td><td>&nbsp;%5</td></tr>")
                .arg(QString::fromStdString(b.channel).toHtmlEscaped(), QString::number(b.value, 'f', 0),
                     QString::number(b.median, 'f', 0), signedText(b.value - b.median, 0), units);
  return html + QStringLiteral("</table>");
}

}  // namespace varnix::app::flight_view
