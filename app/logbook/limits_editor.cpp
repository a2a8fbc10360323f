// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/logbook/limits_editor.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QGroupBox>
#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>
#include <algorithm>
#include <string_view>
#include <vector>

#include "app/shared/window_placement.h"

namespace varnix::app::logbook {

namespace {

struct Group {
  const char* title;
  int column;
  std::vector<std::string_view> keys;
};

// Where each limit is shown; a key of no group goes to the last, "Other".
const std::vector<Group>& groups() {
  static const std::vector<Group> g = {
      {"Heads", 0, {"cht_max", "cht_caution", "hint_cht_deviation", "cht_divergence"}},
      {"Exhaust and turbine", 0, {"tit_max", "dif_max", "egt_deviation", "hint_egt_deviation", "egt_divergence"}},
      {"Oil", 0, {"oil_max", "oil_min"}},
      {"Cooling", 0, {"cooling_max"}},
      {"Electrical", 1, {"battery_min", "battery_max", "battery28_min", "battery28_max"}},
      {"Trends", 1, {"trend_drift", "baseline_deviations", "baseline_power", "baseline_oat", "trend_fit", "hottest_change"}},
      {"Analyses",
       2,
       {"lean_good_spread", "lean_fair_spread", "mag_drop_max", "mag_drop_difference", "mag_rise_min", "mag_rise_max",
        "rated_hp", "compression_ratio", "sensor_step", "sensor_stuck_minutes", "sensor_stuck_move",
        "valve_amplitude_min", "valve_amplitude_max"}},
      {"Other", 1, {}},
  };
  return g;
}

std::size_t groupOf(std::string_view key) {
  const auto& g = groups();
  for (std::size_t i = 0; i + 1 < g.size(); ++i)
    if (std::find(g[i].keys.begin(), g[i].keys.end(), key) != g[i].keys.end()) return i;
  return g.size() - 1;
}

}  // namespace

std::optional<analysis::Limits> EditLimits(QWidget* parent, const QString& aircraft, const analysis::Limits& limits,
                                           const QString& preset) {
  QDialog dialog(parent);
  dialog.setObjectName(QStringLiteral("dlgLimits"));
  dialog.setWindowTitle(QStringLiteral("Limits of %1").arg(aircraft));
  auto* layout = new QVBoxLayout(&dialog);
  auto* about = new QLabel(QStringLiteral("Temperatures in °F (flights in °C are checked against the converted "
                                          "values), voltages in V. Kept in %1 in the aircraft's folder.")
                               .arg(QString::fromLatin1(analysis::kLimitsFileName)),
                           &dialog);
  about->setWordWrap(true);
  layout->addWidget(about);
  if (!preset.isEmpty()) {
    auto* engine = new QLabel(
        QStringLiteral("<b>Engine preset: %1.</b> A limit left at its default takes the preset's figure.")
            .arg(preset.toHtmlEscaped()),
        &dialog);
    engine->setObjectName(QStringLiteral("lblPreset"));
    engine->setWordWrap(true);
    layout->addWidget(engine);
  }

  // The groups in three columns, scrolled where the screen is smaller still.
  auto* page = new QWidget;
  auto* columns = new QHBoxLayout(page);
  QVBoxLayout* column[3];
  for (QVBoxLayout*& c : column) {
    c = new QVBoxLayout;
    columns->addLayout(c, 1);
  }
  std::vector<QGroupBox*> boxes(groups().size(), nullptr);
  std::vector<QFormLayout*> forms(groups().size(), nullptr);
  std::vector<QDoubleSpinBox*> fields;
  for (const analysis::LimitField& field : analysis::LimitFields()) {
    const std::size_t g = groupOf(field.key);
    if (!boxes[g]) {
      boxes[g] = new QGroupBox(QString::fromLatin1(groups()[g].title), page);
      forms[g] = new QFormLayout(boxes[g]);
    }
    auto* box = new QDoubleSpinBox(boxes[g]);
    box->setObjectName(QStringLiteral("num_") + QString::fromLatin1(field.key));
    box->setRange(field.min, field.max);
    box->setDecimals(1);
    box->setValue(limits.*field.field);
    box->setToolTip(QString::fromUtf8(field.help));
    auto* label = new QLabel(QString::fromUtf8(field.help), boxes[g]);
    label->setWordWrap(true);
    label->setBuddy(box);
    forms[g]->addRow(label, box);
    fields.push_back(box);
  }
  for (std::size_t g = 0; g < groups().size(); ++g)
    if (boxes[g]) column[groups()[g].column]->addWidget(boxes[g]);
  for (QVBoxLayout* c : column) c->addStretch(1);
  auto* scroll = new QScrollArea(&dialog);
  scroll->setWidget(page);
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  layout->addWidget(scroll, 1);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  layout->addWidget(buttons);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);

  // As large as its groups need, but inside the screen with its frame and title bar.
  const QRect area = AvailableArea(parent);
  const QSize want = page->sizeHint() + QSize(40, about->sizeHint().height() + buttons->sizeHint().height() + 80);
  dialog.resize(std::min(want.width(), area.width() - 40), std::min(want.height(), area.height() - kTitleBarAllowance - 40));
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  analysis::Limits edited = limits;
  std::size_t i = 0;
  for (const analysis::LimitField& field : analysis::LimitFields()) edited.*field.field = fields[i++]->value();
  return edited;
}

}  // namespace varnix::app::logbook
