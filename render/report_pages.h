// SPDX-License-Identifier: GPL-3.0-or-later
// The reports' pages: text, tables and drawings laid down a page, a header
// line (what the report is about, "Page N of M") atop every page. A report
// is laid out twice: once to count its pages, then onto the PDF, the
// printer or images. Used by report_pdf.cpp and aircraft_report_pdf.cpp.
#pragma once

#include <QColor>
#include <QImage>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class QCPPainter;

namespace varnix::render {

// The text drawn on each page, for the tests.
using ReportPages = std::vector<QStringList>;

// Where pages go. The painter draws in pixels of 96 per inch, margins taken off.
class PageCanvas {
 public:
  virtual ~PageCanvas() = default;
  virtual QPainter& painter() = 0;
  virtual QSize size() const = 0;
  // Starts the next page; false when the device failed.
  virtual bool newPage(bool landscape) = 0;
  virtual bool finish() = 0;
  // Counting pages only: drawings need not be drawn.
  virtual bool dry() const { return false; }
};

// A PDF writer's or a printer's pages, in its page size; the caller sets its
// resolution to 96 per inch (QPdfWriter and QPrinter each have their own setter).
std::unique_ptr<PageCanvas> pagedCanvas(QPagedPaintDevice& device, bool landscape);
// A4 pages as images at 96 per inch, the margins white; `keep` false for
// the counting pass, which keeps none.
class ImageCanvas : public PageCanvas {
 public:
  ImageCanvas(bool landscape, bool keep);
  ~ImageCanvas() override;
  QPainter& painter() override;
  QSize size() const override { return inner_; }
  bool newPage(bool landscape) override;
  bool finish() override;
  bool dry() const override { return !keep_; }

 private:
  friend std::vector<QImage> takeImages(ImageCanvas& canvas);
  void start(bool landscape);
  bool keep_;
  QImage image_;
  QSize inner_;
  // QCustomPlot draws through a QCPPainter; held as one, since QPainter's
  // destructor is not virtual.
  std::unique_ptr<QCPPainter> painter_;
  std::vector<QImage> images_;
};
std::unique_ptr<ImageCanvas> imageCanvas(bool landscape, bool keep);
std::vector<QImage> takeImages(ImageCanvas& canvas);

inline const QColor kHeadingColour(0x1f, 0x3b, 0x5c);

class ReportPage {
 public:
  // `header`: the left part of every page's header line; `pages`: the page
  // count, 0 while counting.
  ReportPage(PageCanvas& canvas, QString header, int pages, ReportPages* texts);
  void heading(const QString& s) { text(s, 12, true, kHeadingColour); }
  void text(const QString& s, double pointSize = 9.5, bool bold = false, const QColor& colour = Qt::black);
  void gap(int h);
  // A table with a header row, the columns as wide as their texts (narrowed
  // to the page when they are wider); the header again atop a new page.
  void table(const QStringList& header, const std::vector<QStringList>& rows);
  // A page of its own for `draw`, which gets the room below the header.
  void drawingPage(bool landscape, const std::function<void(QPainter&, const QRectF&)>& draw);
  // `height` of this page for `draw`, or of a new page when less is left.
  void drawing(int height, const std::function<void(QPainter&, const QRectF&)>& draw);
  int pageCount() const { return page_; }
  bool ok() const { return ok_; }

 private:
  void startPage();
  void room(int h);
  void newPage(bool landscape);
  void record(const QString& s);
  PageCanvas& canvas_;
  QString header_;
  int pages_;
  ReportPages* texts_;
  bool landscape_ = false;
  int page_ = 0, y_ = 0;
  bool ok_ = true;
};

// Lays out `document` twice (to count, then onto `canvas`, whose first page
// is upright); the page count.
int layOutReport(PageCanvas& canvas, const QString& header, ReportPages* texts,
                 const std::function<void(ReportPage&)>& document, bool* ok);

}  // namespace varnix::render
