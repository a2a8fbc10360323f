// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/report_pages.h"

#include <QFontMetrics>
#include <QPageLayout>
#include <QPageSize>
#include <algorithm>
#include <qcustomplot.h>

namespace varnix::render {

namespace {

constexpr int kResolution = 96;  // the chart panels draw as they do on screen
constexpr double kMarginMm = 14;
constexpr int kHeaderHeight = 28;  // the header line and the gap under it

class PagedCanvas : public PageCanvas {
 public:
  PagedCanvas(QPagedPaintDevice& device, bool landscape) : device_(device) {
    device_.setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    device_.setPageMargins(QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm), QPageLayout::Millimeter);
    begun_ = painter_.begin(&device_);
    painter_.setRenderHint(QPainter::Antialiasing);
  }
  QPainter& painter() override { return painter_; }
  QSize size() const override { return QSize(device_.width(), device_.height()); }
  bool newPage(bool landscape) override {
    device_.setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    return begun_ && device_.newPage();
  }
  bool finish() override { return begun_ && painter_.end(); }

 private:
  QPagedPaintDevice& device_;
  QCPPainter painter_;
  bool begun_ = false;
};

}  // namespace

ImageCanvas::ImageCanvas(bool landscape, bool keep) : keep_(keep) { start(landscape); }

ImageCanvas::~ImageCanvas() = default;

QPainter& ImageCanvas::painter() { return *painter_; }

bool ImageCanvas::newPage(bool landscape) {
  painter_->end();
  if (keep_) images_.push_back(image_);
  start(landscape);
  return true;
}

bool ImageCanvas::finish() {
  if (painter_->isActive()) painter_->end();
  if (keep_) images_.push_back(image_);
  return true;
}

void ImageCanvas::start(bool landscape) {
  QSize page = QPageSize(QPageSize::A4).sizePixels(kResolution);
  if (landscape) page.transpose();
  const int margin = static_cast<int>(kMarginMm / 25.4 * kResolution);
  if (image_.size() != page) image_ = QImage(page, QImage::Format_RGB32);
  image_.setDotsPerMeterX(static_cast<int>(kResolution / 0.0254));
  image_.setDotsPerMeterY(static_cast<int>(kResolution / 0.0254));
  image_.fill(Qt::white);
  inner_ = page - QSize(2 * margin, 2 * margin);
  if (!painter_) painter_ = std::make_unique<QCPPainter>();
  painter_->begin(&image_);
  painter_->setRenderHint(QPainter::Antialiasing);
  painter_->translate(margin, margin);
}

std::unique_ptr<PageCanvas> pagedCanvas(QPagedPaintDevice& device, bool landscape) {
  return std::make_unique<PagedCanvas>(device, landscape);
}

std::unique_ptr<ImageCanvas> imageCanvas(bool landscape, bool keep) {
  return std::make_unique<ImageCanvas>(landscape, keep);
}

std::vector<QImage> takeImages(ImageCanvas& canvas) { return std::move(canvas.images_); }

ReportPage::ReportPage(PageCanvas& canvas, QString header, int pages, ReportPages* texts)
    : canvas_(canvas), header_(std::move(header)), pages_(pages), texts_(texts) {
  startPage();
}

void ReportPage::record(const QString& s) {
  if (texts_) texts_->back() << s;
}

void ReportPage::startPage() {
  ++page_;
  if (texts_) texts_->emplace_back();
  QPainter& p = canvas_.painter();
  QFont f = p.font();
  f.setPointSizeF(8.5);
  f.setBold(false);
  p.setFont(f);
  p.setPen(QColor(0x50, 0x50, 0x50));
  const int w = canvas_.size().width();
  const QString number = pages_ > 0 ? QStringLiteral("Page %1 of %2").arg(page_).arg(pages_)
                                    : QStringLiteral("Page %1").arg(page_);
  const int line = QFontMetrics(f, p.device()).height();
  p.drawText(QRect(0, 0, w, line), Qt::AlignLeft | Qt::AlignVCenter, header_);
  p.drawText(QRect(0, 0, w, line), Qt::AlignRight | Qt::AlignVCenter, number);
  p.setPen(QPen(QColor(0x90, 0x90, 0x90), 0.8));
  p.drawLine(QLineF(0, line + 3, w, line + 3));
  record(header_);
  record(number);
  y_ = std::max(kHeaderHeight, line + 12);
}

void ReportPage::newPage(bool landscape) {
  landscape_ = landscape;
  ok_ = canvas_.newPage(landscape) && ok_;
  startPage();
}

void ReportPage::room(int h) {
  if (y_ + h > canvas_.size().height()) newPage(landscape_);
}

void ReportPage::gap(int h) { y_ += h; }

void ReportPage::text(const QString& s, double pointSize, bool bold, const QColor& colour) {
  QPainter& p = canvas_.painter();
  QFont f = p.font();
  f.setPointSizeF(pointSize);
  f.setBold(bold);
  p.setFont(f);
  p.setPen(colour);
  const int w = canvas_.size().width();
  const QRect box = p.boundingRect(QRect(0, 0, w, 100000), Qt::TextWordWrap, s);
  room(box.height());
  p.setFont(f);  // a new page set the header's font
  p.setPen(colour);
  p.drawText(QRect(0, y_, w, box.height()), Qt::TextWordWrap, s);
  record(s);
  y_ += box.height() + 2;
}

void ReportPage::table(const QStringList& header, const std::vector<QStringList>& rows) {
  QPainter& p = canvas_.painter();
  QFont f = p.font();
  f.setPointSizeF(8.5);
  f.setBold(false);
  QFont bold = f;
  bold.setBold(true);
  const QFontMetrics plain(f, p.device()), heavy(bold, p.device());
  const int rowHeight = plain.height() + 4;
  const int width = canvas_.size().width();
  std::vector<double> widths(static_cast<std::size_t>(header.size()), 0);
  for (int c = 0; c < header.size(); ++c) widths[static_cast<std::size_t>(c)] = heavy.horizontalAdvance(header[c]) + 14;
  for (const QStringList& r : rows)
    for (int c = 0; c < r.size() && c < header.size(); ++c)
      widths[static_cast<std::size_t>(c)] =
          std::max(widths[static_cast<std::size_t>(c)], plain.horizontalAdvance(r[c]) + 14.0);
  double total = 0;
  for (double w : widths) total += w;
  // Too wide: the units under the titles, "Hottest CHT" over "(°F)".
  QStringList titles = header;
  int headLines = 1;
  if (total > width) {
    total = 0;
    for (int c = 0; c < titles.size(); ++c) {
      const qsizetype unit = titles[c].lastIndexOf(QStringLiteral(" ("));
      if (unit > 0) {
        titles[c][unit] = QLatin1Char('\n');
        headLines = 2;
      }
      double w = 0;
      for (const QString& part : titles[c].split(QLatin1Char('\n'))) w = std::max<double>(w, heavy.horizontalAdvance(part) + 14);
      for (const QStringList& r : rows)
        if (c < r.size()) w = std::max(w, plain.horizontalAdvance(r[c]) + 14.0);
      widths[static_cast<std::size_t>(c)] = w;
      total += w;
    }
  }
  if (total > width)
    for (double& w : widths) w *= width / total;
  total = std::min<double>(total, width);
  auto line = [&](const QStringList& cells, bool head, bool shade) {
    const int h = head ? rowHeight + (headLines - 1) * plain.height() : rowHeight;
    if (shade) p.fillRect(QRectF(0, y_, total, h), QColor(0xee, 0xf3, 0xf8));
    p.setFont(head ? bold : f);
    p.setPen(Qt::black);
    double x = 0;
    for (int c = 0; c < cells.size() && c < static_cast<int>(widths.size()); ++c) {
      const double w = widths[static_cast<std::size_t>(c)];
      const QString shown =
          head ? cells[c] : plain.elidedText(cells[c], Qt::ElideRight, static_cast<int>(w - 8));
      p.drawText(QRectF(x + 4, y_, w - 8, h), (c == 0 ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter, shown);
      x += w;
    }
    record(cells.join(QLatin1Char('\t')));
    y_ += h;
  };
  auto head = [&] {
    line(titles, true, true);
    p.setPen(QColor(0x80, 0x80, 0x80));
    p.drawLine(QLineF(0, y_, total, y_));
  };
  room(rowHeight * (headLines + 1));
  head();
  for (std::size_t r = 0; r < rows.size(); ++r) {
    if (y_ + rowHeight > canvas_.size().height()) {
      newPage(landscape_);
      head();
    }
    line(rows[r], false, r % 2 == 1);
  }
  y_ += 8;
}

void ReportPage::drawingPage(bool landscape, const std::function<void(QPainter&, const QRectF&)>& draw) {
  newPage(landscape);
  const QRectF area(0, y_, canvas_.size().width(), canvas_.size().height() - y_);
  if (!canvas_.dry()) draw(canvas_.painter(), area);
  y_ = canvas_.size().height();
}

void ReportPage::drawing(int height, const std::function<void(QPainter&, const QRectF&)>& draw) {
  room(height);
  const QRectF area(0, y_, canvas_.size().width(), height);
  if (!canvas_.dry()) draw(canvas_.painter(), area);
  y_ += height + 6;
}

int layOutReport(PageCanvas& canvas, const QString& header, ReportPages* texts,
                 const std::function<void(ReportPage&)>& document, bool* ok) {
  int pages = 0;
  {
    const std::unique_ptr<ImageCanvas> counting = imageCanvas(false, false);
    ReportPage page(*counting, header, 0, nullptr);
    document(page);
    counting->finish();
    pages = page.pageCount();
  }
  if (texts) texts->clear();
  ReportPage page(canvas, header, pages, texts);
  document(page);
  *ok = canvas.finish() && page.ok();
  return page.pageCount();
}

}  // namespace varnix::render
