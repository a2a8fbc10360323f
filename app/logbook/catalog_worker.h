// SPDX-License-Identifier: GPL-3.0-or-later
// Brings a data folder's flight catalog up to date off the GUI thread and
// hands what it holds to the window: first what the catalog already knew,
// then again as indexing goes on and when it is done.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "analysis/aircraft_rules.h"
#include "app/shared/background_task.h"
#include "store/catalog_entry.h"
#include "store/fleet.h"
#include "store/logbook.h"
#include "store/trend_series.h"

namespace varnix::app::logbook {

// One aircraft of the Fleet tab: counted from its logbook, which the window
// shows as it is when the aircraft is selected (judged under its limits,
// with its maintenance log and acknowledged findings applied), its trend
// series and its rules.
struct FleetLine {
  store::FleetRow row;
  analysis::AircraftRules rules;
  std::shared_ptr<const store::AircraftLog> log;
  std::shared_ptr<const store::AircraftTrends> trends;
};

struct CatalogSnapshot {
  // Shared, never copied: a refresh with nothing indexed since the last one
  // hands the same entries over again.
  std::shared_ptr<const std::vector<store::CatalogEntry>> entries =
      std::make_shared<const std::vector<store::CatalogEntry>>();
  std::map<std::string, std::int64_t> lastLooks;  // per aircraft folder, before this opening
  // The aircraft folders with a readable flight and their logbooks, built
  // off the GUI thread (each reads its rules and maintenance files); shared
  // as the entries are.
  std::shared_ptr<const std::vector<FleetLine>> fleet = std::make_shared<const std::vector<FleetLine>>();
  std::string problem;  // the catalog could not be opened, read or stored
};

class CatalogWorker {
 public:
  // `snapshot`, `progress` and `held` run on the GUI thread while `receiver`
  // lives; `progress` gets (done, total), and total 0 when the catalog is up
  // to date; `held` is called once when another program holds the catalog
  // and it waits.
  CatalogWorker(QObject* receiver, std::function<void(std::shared_ptr<const CatalogSnapshot>)> snapshot,
                std::function<void(std::size_t, std::size_t)> progress, std::function<void()> held = {});
  // Stops the indexing at its next batch without waiting for it; nothing
  // it finds afterwards reaches the window.
  ~CatalogWorker() = default;

  // `keptLooks`, when given, are the looks before an earlier opening of the
  // same folder, so that a refresh keeps what was new then as new.
  void start(const QString& dataFolder, std::optional<std::map<std::string, std::int64_t>> keptLooks = {});
  bool running() const { return task_.running(); }

 private:
  std::function<void(std::shared_ptr<const CatalogSnapshot>)> snapshot_;
  std::function<void(std::size_t, std::size_t)> progress_;
  std::function<void()> held_;
  BackgroundTask task_;
};

}  // namespace varnix::app::logbook
