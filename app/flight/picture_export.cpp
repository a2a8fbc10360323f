// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/flight/picture_export.h"

#include <memory>

#include "app/flight/flight_chart.h"
#include "render/compare_overlay.h"
#include "render/picture_export.h"

namespace varnix::app::flight_view {

namespace {

render::ChartOptions pictureOptions(const FlightChart& chart, bool includeCursor) {
  render::ChartOptions o = chart.shown();
  o.cursor = includeCursor;
  o.title = render::PictureTitle(*chart.flight());
  if (const Comparison* c = chart.comparison()) {
    // B as the window draws it, the title naming both flights.
    o.comparison = std::make_shared<const Comparison>(*c);
    o.title = render::ComparedTitle(*chart.flight(), *c);
  }
  return o;
}

}  // namespace

flight::Done savePicture(const FlightChart& chart, const QString& path, const QSize& size, bool includeCursor) {
  if (!chart.flight()) return flight::Done::failed("There is no flight to draw.");
  const render::PictureOutcome written = render::WritePicture(
      {*chart.flight(), chart.plans(), pictureOptions(chart, includeCursor)}, path, size,
      platform::ReplacingFile::Mode::Replace);
  return written.ok() ? flight::Done{} : flight::Done::failed(written.problem);
}

QImage pictureImage(const FlightChart& chart, const QSize& size, bool includeCursor) {
  if (!chart.flight()) return {};
  return render::ChartImage({*chart.flight(), chart.plans(), pictureOptions(chart, includeCursor)}, size);
}

}  // namespace varnix::app::flight_view
