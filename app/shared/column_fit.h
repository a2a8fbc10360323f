// SPDX-License-Identifier: GPL-3.0-or-later
// How the program's tables use their width: each column as wide as its
// contents and its title, the text columns sharing what is left (and giving
// way first when the view is too narrow for every column), never a title
// cut; a cell still cut short shows its whole text as its tooltip.
#pragma once

#include <QList>

class QAbstractItemView;
class QModelIndex;

namespace varnix::app {

// Fits `view`'s columns now and again whenever its rows change, it is
// resized or sorted by another column. `textColumns` take the free width,
// shared out evenly up to what each needs, the rest to the last of them.
// A view that sizes itself to its contents (QAbstractScrollArea::
// AdjustToContents) gives each column what it needs. Also gives the view
// the tooltips of ShowWholeTextOfElidedCells.
void FitColumns(QAbstractItemView* view, const QList<int>& textColumns);

// Fits the columns of a view FitColumns was given now (after its rows were
// filled, before it is drawn or measured).
void RefitColumns(QAbstractItemView* view);

// A cell without a tooltip of its own whose text is cut short shows the
// whole text as its tooltip (a list's entries too).
void ShowWholeTextOfElidedCells(QAbstractItemView* view);

// True when the cell's text does not fit its width on screen (any of its lines).
bool CellElided(const QAbstractItemView* view, const QModelIndex& index);

// True when the title of `view`'s horizontal header section `section` does
// not fit the section's width.
bool HeaderElided(const QAbstractItemView* view, int section);

}  // namespace varnix::app
