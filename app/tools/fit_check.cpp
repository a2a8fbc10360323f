// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/tools/fit_check.h"

#include <QAbstractButton>
#include <QHeaderView>
#include <QLabel>
#include <QStyle>
#include <QStyleOptionHeader>
#include <QTextDocument>

namespace varnix::app::tools {

namespace {

QString nameOf(const QWidget& w) {
  const QString name = w.objectName().isEmpty() ? QString::fromLatin1(w.metaObject()->className()) : w.objectName();
  return name;
}

// A widget shown to the user: visible, and not scrolled or folded out of its window.
bool shown(const QWidget& w) { return w.isVisible() && !w.visibleRegion().isEmpty(); }

void checkButtons(const QWidget& window, const QRect& available, QStringList& out) {
  for (const QAbstractButton* b : window.findChildren<QAbstractButton*>()) {
    if (!b->isVisible()) continue;
    const QRect onScreen(b->mapToGlobal(QPoint(0, 0)), b->size());
    if (!available.contains(onScreen))
      out << QStringLiteral("button '%1' at %2,%3 %4x%5 lies outside the screen")
                 .arg(b->text().isEmpty() ? nameOf(*b) : b->text())
                 .arg(onScreen.x())
                 .arg(onScreen.y())
                 .arg(onScreen.width())
                 .arg(onScreen.height());
  }
}

void checkLabels(const QWidget& window, QStringList& out) {
  for (const QLabel* l : window.findChildren<QLabel*>()) {
    // Rich and wrapped texts take more lines instead; only a single plain line is cut.
    if (!shown(*l) || l->wordWrap() || l->text().isEmpty() || Qt::mightBeRichText(l->text()) ||
        l->textFormat() == Qt::RichText || l->text().contains(QLatin1Char('\n')))
      continue;
    const int needed = l->fontMetrics().horizontalAdvance(l->text());
    const int room = l->contentsRect().width() - 2 * l->margin() - 2 * l->indent() * (l->indent() > 0);
    if (needed > room) out << QStringLiteral("label '%1' needs %2 px and has %3").arg(l->text()).arg(needed).arg(room);
  }
}

void checkHeaders(const QWidget& window, QStringList& out) {
  for (const QHeaderView* h : window.findChildren<QHeaderView*>()) {
    // A header is not painted into its visible region until first shown; isVisible says enough.
    if (!h->isVisible() || h->orientation() != Qt::Horizontal || !h->model()) continue;
    for (int section = 0; section < h->count(); ++section) {
      if (h->isSectionHidden(section)) continue;
      const QString text = h->model()->headerData(section, Qt::Horizontal).toString();
      if (text.isEmpty()) continue;
      // The section's own margins, and room for a sort arrow where it has one.
      QStyleOptionHeader option;
      option.initFrom(h);
      const int margin = 2 * h->style()->pixelMetric(QStyle::PM_HeaderMargin, &option, h);
      int needed = 0;
      for (const QString& line : text.split(QLatin1Char('\n')))
        needed = std::max(needed, h->fontMetrics().horizontalAdvance(line));
      if (needed + margin > h->sectionSize(section))
        out << QStringLiteral("header '%1' of %2 needs %3 px and has %4")
                   .arg(text, nameOf(*h->parentWidget()))
                   .arg(needed + margin)
                   .arg(h->sectionSize(section));
    }
  }
}

}  // namespace

QStringList FitProblems(const QWidget& window, const QRect& available) {
  QStringList out;
  const QRect frame = window.frameGeometry();
  if (!available.contains(frame))
    out << QStringLiteral("window '%1' at %2,%3 %4x%5 lies outside the screen's %6x%7")
               .arg(window.windowTitle())
               .arg(frame.x())
               .arg(frame.y())
               .arg(frame.width())
               .arg(frame.height())
               .arg(available.width())
               .arg(available.height());
  checkButtons(window, available, out);
  checkLabels(window, out);
  checkHeaders(window, out);
  return out;
}

}  // namespace varnix::app::tools
