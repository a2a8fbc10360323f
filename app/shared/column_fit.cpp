// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/shared/column_fit.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QHeaderView>
#include <QHelpEvent>
#include <QPointer>
#include <QStyleOptionHeader>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <QToolTip>
#include <QTreeView>
#include <algorithm>
#include <vector>

namespace varnix::app {

namespace {

QHeaderView* columnsHeader(const QAbstractItemView* view) {
  if (const auto* table = qobject_cast<const QTableView*>(view)) return table->horizontalHeader();
  if (const auto* tree = qobject_cast<const QTreeView*>(view)) return tree->header();
  return nullptr;
}

// Lists, tables and trees each have the property, not their base.
bool wraps(const QAbstractItemView* view) { return view->property("wordWrap").toBool(); }

// The delegate of every fitted view: the item look of QStyledItemDelegate,
// with the whole text as the tooltip of a cell that shows it cut short.
class WholeTextDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  // The option the view paints `index` with.
  QStyleOptionViewItem optionFor(const QAbstractItemView* view, const QModelIndex& index) const {
    QStyleOptionViewItem opt;
    opt.initFrom(view);
    opt.font = view->font();
    opt.fontMetrics = view->fontMetrics();
    const int icon = view->style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, view);
    opt.decorationSize = view->iconSize().isValid() ? view->iconSize() : QSize(icon, icon);
    opt.textElideMode = view->textElideMode();
    opt.rect = view->visualRect(index);
    if (wraps(view)) opt.features |= QStyleOptionViewItem::WrapText;
    initStyleOption(&opt, index);
    return opt;
  }

  bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                 const QModelIndex& index) override {
    if (event->type() == QEvent::ToolTip && index.isValid() && !index.data(Qt::ToolTipRole).isValid() &&
        CellElided(view, index)) {
      QToolTip::showText(event->globalPos(), index.data(Qt::DisplayRole).toString(), view->viewport(), option.rect);
      return true;
    }
    return QStyledItemDelegate::helpEvent(event, view, option, index);
  }
};

// What a header section needs for its title: the sort arrow's room only
// where the arrow is drawn.
int titleWidth(const QHeaderView* header, int section) {
  QStyleOptionHeader opt;
  opt.initFrom(header);
  opt.section = section;
  opt.orientation = Qt::Horizontal;
  const QAbstractItemModel* model = header->model();
  opt.text = model->headerData(section, Qt::Horizontal, Qt::DisplayRole).toString();
  opt.icon = model->headerData(section, Qt::Horizontal, Qt::DecorationRole).value<QIcon>();
  const QVariant font = model->headerData(section, Qt::Horizontal, Qt::FontRole);
  opt.fontMetrics = font.canConvert<QFont>() ? QFontMetrics(font.value<QFont>()) : header->fontMetrics();
  QSize size = header->style()->sizeFromContents(QStyle::CT_HeaderSection, &opt, QSize(), header);
  if (header->isSortIndicatorShown() && header->sortIndicatorSection() == section)
    size.rwidth() += size.height() + header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
  return size.width();
}

// Shares `room` out among the text columns: each first its title, then
// evenly up to what it needs, what is still left to the last.
void shareRoom(std::vector<int>& width, const std::vector<int>& want, const QList<int>& text, int room) {
  for (int c : text) room -= width[static_cast<std::size_t>(c)];
  while (room > 0) {
    std::vector<int> hungry;
    for (int c : text)
      if (width[static_cast<std::size_t>(c)] < want[static_cast<std::size_t>(c)]) hungry.push_back(c);
    if (hungry.empty()) break;
    const int share = std::max(1, room / static_cast<int>(hungry.size()));
    for (int c : hungry) {
      auto& w = width[static_cast<std::size_t>(c)];
      const int add = std::min({share, want[static_cast<std::size_t>(c)] - w, room});
      w += add;
      room -= add;
    }
  }
  if (room > 0 && !text.isEmpty()) width[static_cast<std::size_t>(text.back())] += room;
}

class ColumnFitter : public QObject {
 public:
  ColumnFitter(QAbstractItemView* view, QList<int> textColumns)
      : QObject(view), view_(view), viewport_(view->viewport()), text_(std::move(textColumns)) {
    setObjectName(QStringLiteral("columnFitter"));
    QHeaderView* header = columnsHeader(view);
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::Interactive);
    view->viewport()->installEventFilter(this);
    connect(header, &QHeaderView::sortIndicatorChanged, this, &ColumnFitter::later);
    watch(view->model());
  }

  void fit() {
    pending_ = false;
    if (view_->model() != watched_) watch(view_->model());
    QHeaderView* header = columnsHeader(view_);
    const int count = header->count();
    if (count == 0) return;
    std::vector<int> width(static_cast<std::size_t>(count), 0), want(width);
    QList<int> text;
    for (int c : text_)
      if (c >= 0 && c < count && !header->isSectionHidden(c)) text << c;
    int fixedWant = 0, fixedTitles = 0, textTitles = 0;
    for (int c = 0; c < count; ++c) {
      if (header->isSectionHidden(c)) continue;
      const auto i = static_cast<std::size_t>(c);
      width[i] = std::max(titleWidth(header, c), header->minimumSectionSize());
      want[i] = std::max(width[i], view_->sizeHintForColumn(c));
      if (text.contains(c)) {
        textTitles += width[i];
      } else {
        fixedWant += want[i];
        fixedTitles += width[i];
      }
    }
    const bool ownWidth = view_->sizeAdjustPolicy() == QAbstractScrollArea::AdjustToContents;
    const int room = view_->viewport()->width();
    // Where every text fits whole, the figures get a little air between them.
    int textWant = 0, figures = 0;
    for (int c = 0; c < count; ++c) {
      if (header->isSectionHidden(c)) continue;
      if (text.contains(c))
        textWant += want[static_cast<std::size_t>(c)];
      else
        ++figures;
    }
    const int air = 2 * view_->fontMetrics().averageCharWidth();
    if (!ownWidth && fixedWant + textWant + air * figures <= room) {
      for (int c = 0; c < count; ++c)
        if (!header->isSectionHidden(c) && !text.contains(c)) want[static_cast<std::size_t>(c)] += air;
      fixedWant += air * figures;
    }
    if (ownWidth || room <= 0) {
      width = want;
    } else if (fixedWant + textTitles <= room) {
      for (int c = 0; c < count; ++c)
        if (!text.contains(c)) width[static_cast<std::size_t>(c)] = want[static_cast<std::size_t>(c)];
      shareRoom(width, want, text, room - fixedWant);
    } else {
      // Too narrow: the text columns keep their titles, the others give
      // way toward theirs in proportion to what they would give.
      const int give = fixedWant - fixedTitles;
      const double keep = give > 0 ? std::clamp(1.0 - double(fixedWant + textTitles - room) / give, 0.0, 1.0) : 1.0;
      for (int c = 0; c < count; ++c) {
        const auto i = static_cast<std::size_t>(c);
        if (!header->isSectionHidden(c) && !text.contains(c))
          width[i] += static_cast<int>(keep * (want[i] - width[i]));
      }
    }
    for (int c = 0; c < count; ++c)
      if (!header->isSectionHidden(c) && header->sectionSize(c) != width[static_cast<std::size_t>(c)])
        header->resizeSection(c, width[static_cast<std::size_t>(c)]);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    // The viewport as it was when watched: the view may be half destroyed
    // when its last events come, and is not asked then.
    if (watched == viewport_ && event->type() == QEvent::Resize) fit();
    return QObject::eventFilter(watched, event);
  }

 private:
  // Fits once the changes of this turn of the event loop are in.
  void later() {
    if (pending_) return;
    pending_ = true;
    QTimer::singleShot(0, this, [this] {
      if (pending_) fit();
    });
  }

  void watch(QAbstractItemModel* model) {
    if (watched_) disconnect(watched_, nullptr, this, nullptr);
    watched_ = model;
    if (!model) return;
    connect(model, &QAbstractItemModel::modelReset, this, &ColumnFitter::later);
    connect(model, &QAbstractItemModel::layoutChanged, this, &ColumnFitter::later);
    connect(model, &QAbstractItemModel::rowsInserted, this, &ColumnFitter::later);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &ColumnFitter::later);
    connect(model, &QAbstractItemModel::dataChanged, this, &ColumnFitter::later);
  }

  QAbstractItemView* view_;
  const QObject* viewport_;
  QList<int> text_;
  QPointer<QAbstractItemModel> watched_;
  bool pending_ = false;
};

ColumnFitter* fitterOf(QAbstractItemView* view) {
  return dynamic_cast<ColumnFitter*>(view->findChild<QObject*>(QStringLiteral("columnFitter"), Qt::FindDirectChildrenOnly));
}

}  // namespace

void FitColumns(QAbstractItemView* view, const QList<int>& textColumns) {
  ShowWholeTextOfElidedCells(view);
  if (!columnsHeader(view)) return;
  ColumnFitter* fitter = fitterOf(view);
  if (fitter) delete fitter;
  fitter = new ColumnFitter(view, textColumns);
  fitter->fit();
}

void RefitColumns(QAbstractItemView* view) {
  if (ColumnFitter* fitter = fitterOf(view)) fitter->fit();
}

void ShowWholeTextOfElidedCells(QAbstractItemView* view) {
  if (!dynamic_cast<WholeTextDelegate*>(view->itemDelegate())) view->setItemDelegate(new WholeTextDelegate(view));
}

bool CellElided(const QAbstractItemView* view, const QModelIndex& index) {
  const WholeTextDelegate measure;
  const QStyleOptionViewItem opt = measure.optionFor(view, index);
  if (opt.text.isEmpty() || !opt.rect.isValid()) return false;
  const QStyle* style = view->style();
  const QRect textRect = style->subElementRect(QStyle::SE_ItemViewItemText, &opt, view);
  const int room = textRect.width() - 2 * (style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1);
  QString text = opt.text;
  text.replace(QChar::LineSeparator, QLatin1Char('\n'));
  const QStringList lines = text.split(QLatin1Char('\n'));
  if (wraps(view) && lines.size() == 1) return false;  // wraps instead
  return std::any_of(lines.begin(), lines.end(),
                     [&](const QString& line) { return opt.fontMetrics.horizontalAdvance(line) > room; });
}

bool HeaderElided(const QAbstractItemView* view, int section) {
  const QHeaderView* header = columnsHeader(view);
  return header && !header->isSectionHidden(section) && titleWidth(header, section) > header->sectionSize(section);
}

}  // namespace varnix::app
