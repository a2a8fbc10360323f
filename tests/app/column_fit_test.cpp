// SPDX-License-Identifier: GPL-3.0-or-later
// How the tables use their width (app/shared/column_fit.h): titles never
// cut, the figures at their width while there is room, the text columns
// taking what is left, and a cut cell's whole text as its tooltip.
#include <QHeaderView>
#include <QHelpEvent>
#include <QToolTip>
#include <QTreeWidget>
#include <QtTest>

#include "app/shared/column_fit.h"

using namespace varnix::app;

namespace {

const QString kLongText = QStringLiteral(
    "E4 swings ±40 °F about once a minute in cruise, a pattern seen with a failing exhaust valve");
const QString kAdvice = QStringLiteral("a borescope look is worth it");

// A findings list: date, a figure, the finding and the advice.
QTreeWidget* findingsList(int width) {
  auto* tree = new QTreeWidget;
  tree->setRootIsDecorated(false);
  tree->setHeaderLabels({QStringLiteral("Date"), QStringLiteral("Time above the limit"), QStringLiteral("Finding"),
                         QStringLiteral("Look at")});
  tree->header()->setSortIndicatorShown(true);
  tree->header()->setSortIndicator(0, Qt::DescendingOrder);
  FitColumns(tree, {2, 3});
  for (int r = 0; r < 3; ++r)
    tree->addTopLevelItem(new QTreeWidgetItem({QStringLiteral("2024-07-26 09:12:00"), QStringLiteral("%1 min").arg(r + 3),
                                               r == 0 ? kLongText : QStringLiteral("E1 runs 47 °F above the others"),
                                               kAdvice}));
  tree->resize(width, 300);
  tree->show();
  RefitColumns(tree);
  return tree;
}

int columnsWidth(const QTreeWidget* tree) {
  int sum = 0;
  for (int c = 0; c < tree->columnCount(); ++c) sum += tree->columnWidth(c);
  return sum;
}

}  // namespace

class ColumnFitTest : public QObject {
  Q_OBJECT

 private slots:
  void fitsTheWidth_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<bool>("textWhole");    // the long finding shown uncut
    QTest::addColumn<bool>("figuresWhole"); // the date uncut
    QTest::newRow("wide: every text whole, the last text column takes the rest") << 1600 << true << true;
    QTest::newRow("middling: the texts share what the figures leave") << 620 << false << true;
    QTest::newRow("narrow: the figures give way too, no title cut") << 300 << false << false;
  }
  void fitsTheWidth() {
    QFETCH(int, width);
    QFETCH(bool, textWhole);
    QFETCH(bool, figuresWhole);
    std::unique_ptr<QTreeWidget> tree(findingsList(width));
    for (int c = 0; c < tree->columnCount(); ++c) QVERIFY2(!HeaderElided(tree.get(), c), qPrintable(QString::number(c)));
    const QModelIndex longText = tree->model()->index(0, 2);
    QCOMPARE(!CellElided(tree.get(), longText), textWhole);
    QCOMPARE(!CellElided(tree.get(), tree->model()->index(0, 0)), figuresWhole);
    QVERIFY(!CellElided(tree.get(), tree->model()->index(0, 1)));  // its title is wider still
    const int room = tree->viewport()->width();
    // The whole width is used, and only beyond it when the titles alone need more.
    if (figuresWhole) QCOMPARE(columnsWidth(tree.get()), room);
    // Both text columns keep at least their titles; the advice is in view whenever the texts share.
    QVERIFY(tree->columnWidth(3) >= tree->header()->fontMetrics().horizontalAdvance(QStringLiteral("Look at")));
    if (figuresWhole) QVERIFY(tree->columnWidth(2) > tree->columnWidth(0) / 2 || textWhole);
    // Wider again: the texts take the new room.
    const int before = tree->columnWidth(2) + tree->columnWidth(3);
    tree->resize(width + 400, 300);
    QCoreApplication::processEvents();
    QVERIFY(tree->columnWidth(2) + tree->columnWidth(3) > before);
  }

  void elidedCellsShowTheirWholeText_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("ownTip");  // the cell's own tooltip, kept
    QTest::addColumn<QString>("shown");
    QTest::newRow("a cut finding shows all of it") << 0 << 2 << QString() << kLongText;
    QTest::newRow("a whole figure shows nothing") << 1 << 1 << QString() << QString();
    QTest::newRow("a cell's own tooltip stays") << 0 << 2 << QStringLiteral("its own") << QStringLiteral("its own");
  }
  void elidedCellsShowTheirWholeText() {
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, ownTip);
    QFETCH(QString, shown);
    std::unique_ptr<QTreeWidget> tree(findingsList(620));
    if (!ownTip.isEmpty()) tree->topLevelItem(row)->setToolTip(column, ownTip);
    QToolTip::hideText();
    QCoreApplication::processEvents();
    const QModelIndex index = tree->model()->index(row, column);
    const QRect cell = tree->visualRect(index);
    QHelpEvent help(QEvent::ToolTip, cell.center(), tree->viewport()->mapToGlobal(cell.center()));
    QStyleOptionViewItem option;
    option.rect = cell;
    tree->itemDelegate()->helpEvent(&help, tree.get(), option, index);
    QCOMPARE(QToolTip::isVisible() ? QToolTip::text() : QString(), shown);
  }
};

QTEST_MAIN(ColumnFitTest)
#include "column_fit_test.moc"
