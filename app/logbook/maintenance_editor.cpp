// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/logbook/maintenance_editor.h"

#include <QComboBox>
#include <QDate>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "app/shared/window_placement.h"
#include "flight/csv_cells.h"
#include "store/data_folder_names.h"

namespace varnix::app::logbook {

namespace {

using Column = MaintenanceEditor::Column;

// The file's column names, which name the field a problem is about.
const std::vector<std::string>& columnNames() {
  static const std::vector<std::string> names = flight::CsvCells(store::kMaintenanceHeader);
  return names;
}

const char* const kLineProperty = "maintenanceLine";  // on a row's date cell: its line in the file, 0 for a new one

QString text(const std::string& s) { return QString::fromStdString(s); }

QSettings logbookSettings() {
  return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("varnix"), QStringLiteral("logbook"));
}

void mark(QWidget* cell, const QString& why) {
  cell->setStyleSheet(why.isEmpty() ? QString() : QStringLiteral("background: #ffd8d8"));
  cell->setToolTip(why);
}

}  // namespace

MaintenanceEditor::MaintenanceEditor(QWidget* parent, const QString& aircraft, std::string aircraftFolder,
                                     store::MaintenanceFile file)
    : QDialog(parent), folder_(std::move(aircraftFolder)) {
  setObjectName(QStringLiteral("dlgMaintenance"));
  setWindowTitle(QStringLiteral("Maintenance of %1").arg(aircraft));
  auto* layout = new QVBoxLayout(this);
  auto* about = new QLabel(QStringLiteral("What was done to the aircraft and when, kept in %1 in the aircraft's folder. "
                                          "Where a kind needs a word (what was done to the plugs, a borescope's "
                                          "verdict, \"full\" for a fill to full tanks) it is the text's first word.")
                               .arg(QString::fromLatin1(store::kMaintenanceFileName)),
                           this);
  about->setWordWrap(true);
  layout->addWidget(about);

  table_ = new QTableWidget(0, Columns, this);
  table_->setObjectName(QStringLiteral("tblMaintenance"));
  QStringList titles;
  for (const std::string& name : columnNames()) titles << text(name);
  table_->setHorizontalHeaderLabels(titles);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  table_->horizontalHeader()->setStretchLastSection(true);
  layout->addWidget(table_, 1);

  problem_ = new QLabel(this);
  problem_->setObjectName(QStringLiteral("lblMaintenanceProblem"));
  problem_->setStyleSheet(QStringLiteral("color: #b00000"));
  problem_->setWordWrap(true);
  problem_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(problem_);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  auto* add = buttons->addButton(QStringLiteral("&Add"), QDialogButtonBox::ActionRole);
  add->setObjectName(QStringLiteral("cmdAddEntry"));
  remove_ = buttons->addButton(QStringLiteral("&Remove"), QDialogButtonBox::ActionRole);
  remove_->setObjectName(QStringLiteral("cmdRemoveEntry"));
  ok_ = buttons->button(QDialogButtonBox::Ok);
  layout->addWidget(buttons);
  connect(add, &QPushButton::clicked, this, &MaintenanceEditor::addEntry);
  connect(remove_, &QPushButton::clicked, this, &MaintenanceEditor::removeSelected);
  connect(buttons, &QDialogButtonBox::accepted, this, &MaintenanceEditor::save);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(this, &QDialog::finished, this, [this] {
    logbookSettings().setValue(QStringLiteral("maintenanceGeometry"), saveGeometry());
  });

  // A file that cannot be read back whole is shown as far as it reads, and
  // never saved: a save would lose the line the owner has to mend.
  damaged_ = file.unreadable || !file.problems.empty();
  if (damaged_) {
    QStringList lines;
    for (const std::string& line : store::MaintenanceProblemLines(file)) lines << text(line);
    damage_ = QStringLiteral("Not saved while the file holds what cannot be read back; mend it in the file, "
                             "then open this again.\n") +
              lines.join(QLatin1Char('\n'));
  }
  for (const store::MaintenanceEntry& e : file.entries) {
    addRow(store::MaintenanceFieldsOf(e));
    cell(table_->rowCount() - 1, Column::Date)->setProperty(kLineProperty, e.line);
  }
  table_->resizeColumnsToContents();
  for (int c = 0; c < Text; ++c) table_->setColumnWidth(c, std::max(table_->columnWidth(c), c == Kind ? 130 : 70));
  check();
  restoreSize();
}

QWidget* MaintenanceEditor::cell(int row, Column column) const { return table_->cellWidget(row, column); }

void MaintenanceEditor::addRow(const store::MaintenanceFields& f) {
  const int row = table_->rowCount();
  table_->insertRow(row);
  const std::string* values[] = {&f.date, &f.tach, &f.kind, &f.engine, &f.cylinder, &f.quantity, &f.unit, &f.text};
  for (int c = 0; c < Columns; ++c) {
    const QString value = text(*values[c]);
    if (c == Kind || c == Engine || c == Unit) {
      auto* box = new QComboBox(table_);
      box->setObjectName(QStringLiteral("cbo_") + text(columnNames()[static_cast<std::size_t>(c)]));
      if (c == Kind) {
        for (store::MaintenanceKind k : store::MaintenanceKinds()) box->addItem(text(std::string(store::MaintenanceKindName(k))));
        box->setCurrentText(value);
        connect(box, &QComboBox::currentIndexChanged, this, [this, box] {
          for (int r = 0; r < table_->rowCount(); ++r)
            if (table_->cellWidget(r, Kind) == box) offerUnits(r);
          check();
        });
      } else if (c == Engine) {
        box->addItems({QString(), QStringLiteral("L"), QStringLiteral("R")});
        box->setCurrentText(value);
        connect(box, &QComboBox::currentIndexChanged, this, &MaintenanceEditor::check);
      } else {
        box->addItem(value);  // offerUnits() gives the kind's
        connect(box, &QComboBox::currentTextChanged, this, &MaintenanceEditor::check);
      }
      table_->setCellWidget(row, c, box);
    } else {
      auto* edit = new QLineEdit(value, table_);
      edit->setObjectName(QStringLiteral("txt_") + text(columnNames()[static_cast<std::size_t>(c)]));
      edit->setFrame(false);
      if (c == Date) edit->setPlaceholderText(QStringLiteral("YYYY-MM-DD"));
      connect(edit, &QLineEdit::textChanged, this, &MaintenanceEditor::check);
      table_->setCellWidget(row, c, edit);
    }
  }
  offerUnits(row);
}

// The unit box offers the kind's units; `other` takes the owner's word.
void MaintenanceEditor::offerUnits(int row) {
  auto* kind = static_cast<QComboBox*>(cell(row, Kind));
  auto* unit = static_cast<QComboBox*>(cell(row, Unit));
  const std::optional<store::MaintenanceKind> k = store::MaintenanceKindOfName(kind->currentText().toStdString());
  const QString now = unit->currentText();
  const QSignalBlocker quiet(unit);
  unit->clear();
  unit->addItem(QString());
  QStringList offered;
  if (k)
    for (std::string_view u : store::MaintenanceUnits(*k)) offered << text(std::string(u));
  unit->addItems(offered);
  const bool ownWord = k && offered.isEmpty() && store::MaintenanceKindTakesQuantity(*k);
  unit->setEditable(ownWord);
  if (ownWord || offered.contains(now, Qt::CaseInsensitive)) unit->setCurrentText(now);
  unit->setEnabled(ownWord || !offered.isEmpty());
}

void MaintenanceEditor::addEntry() {
  store::MaintenanceFields f;
  f.date = QDate::currentDate().toString(Qt::ISODate).toStdString();
  f.kind = std::string(store::MaintenanceKindName(store::MaintenanceKind::Other));
  addRow(f);
  table_->scrollToBottom();
  cell(table_->rowCount() - 1, Kind)->setFocus();
  check();
}

void MaintenanceEditor::removeSelected() {
  QList<int> rows;
  for (const QModelIndex& i : table_->selectionModel()->selectedRows()) rows << i.row();
  if (rows.isEmpty() && table_->currentRow() >= 0) rows << table_->currentRow();
  std::sort(rows.begin(), rows.end(), std::greater<>());
  for (int r : rows) table_->removeRow(r);
  check();
}

// Every row read as the file would read it: the first problem is shown,
// every wrong cell marked with its reason.
void MaintenanceEditor::check() {
  entries_.clear();
  QString first;
  int wrong = 0;
  for (int r = 0; r < table_->rowCount(); ++r) {
    auto value = [&](int c) {
      QWidget* w = cell(r, static_cast<Column>(c));
      const QString v = qobject_cast<QComboBox*>(w) ? static_cast<QComboBox*>(w)->currentText()
                                                     : static_cast<QLineEdit*>(w)->text();
      return v.toStdString();
    };
    const store::MaintenanceFields f{value(Date), value(Tach),     value(Kind), value(Engine),
                                     value(Cylinder), value(Quantity), value(Unit), value(Text)};
    const store::MaintenanceParse parsed = store::ParseMaintenanceFields(f);
    for (int c = 0; c < Columns; ++c) {
      const bool bad = !parsed.entry && parsed.problem.field == columnNames()[static_cast<std::size_t>(c)];
      mark(cell(r, static_cast<Column>(c)), bad ? text(parsed.problem.text) : QString());
    }
    if (!parsed.entry) {
      if (wrong++ == 0)
        first = QStringLiteral("Entry %1, %2: %3").arg(r + 1).arg(text(parsed.problem.field), text(parsed.problem.text));
      continue;
    }
    store::MaintenanceEntry e = *parsed.entry;
    e.line = cell(r, Date)->property(kLineProperty).toInt();
    entries_.push_back(std::move(e));
  }
  if (wrong > 1) first += QStringLiteral(" (and %1 more)").arg(wrong - 1);
  problem_->setText(damaged_ ? damage_ : first);
  problem_->setVisible(!problem_->text().isEmpty());
  ok_->setEnabled(!damaged_ && wrong == 0 && !busy_);
  remove_->setEnabled(table_->rowCount() > 0);
}

void MaintenanceEditor::save() {
  if (damaged_ || !ok_->isEnabled()) return;
  busy_ = true;
  ok_->setEnabled(false);
  problem_->setText(QStringLiteral("Saving…"));
  problem_->show();
  saving_.start([folder = folder_, entries = entries_](const TaskControl& control) {
    const store::MaintenanceSaved done = store::SaveMaintenance(folder, entries);
    control.deliverTo<MaintenanceEditor>([done](MaintenanceEditor& editor) {
      editor.busy_ = false;
      if (done.ok()) {
        emit editor.saved();
        editor.accept();
        return;
      }
      // The file changed under the dialog (a line damaged by hand, a link
      // put at its name) or cannot be written: nothing was saved.
      editor.damaged_ = done.value == store::MaintenanceStop::Damaged || done.value == store::MaintenanceStop::CannotRead;
      editor.damage_ = QStringLiteral("Not saved: ") + text(done.problem);
      editor.check();
      if (!editor.damaged_) {
        editor.problem_->setText(editor.damage_);
        editor.problem_->show();
      }
    });
  });
}

void MaintenanceEditor::fitInto(const QRect& area) {
  int width = 2 * layout()->contentsMargins().left() + table_->verticalHeader()->sizeHint().width() + 40;
  for (int c = 0; c < Columns; ++c) width += std::max(table_->columnWidth(c), c == Text ? 320 : 0);
  // Room for every entry and a few more, and for the lines above and below.
  const int rows = std::max(table_->rowCount() + 3, 8);
  const int height = layout()->sizeHint().height() - table_->sizeHint().height() + table_->horizontalHeader()->height() +
                     rows * table_->verticalHeader()->defaultSectionSize() + 60;
  resize(std::min(width, area.width() - 40), std::min(height, area.height() - kTitleBarAllowance - 40));
}

// As large as the table needs inside the screen; a size remembered on a
// larger or another screen is brought back inside this one.
void MaintenanceEditor::restoreSize() {
  fitInto(AvailableArea(parentWidget()));
  if (restoreGeometry(logbookSettings().value(QStringLiteral("maintenanceGeometry")).toByteArray())) KeepOnScreen(this);
}

}  // namespace varnix::app::logbook
