// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/logbook/catalog_worker.h"

#include <chrono>
#include <set>

#include "analysis/aircraft_rules.h"
#include "frontend/guarded_work.h"
#include "render/library_text.h"
#include "store/catalog.h"
#include "store/logbook.h"

namespace varnix::app::logbook {

namespace {

// How often the window is handed the entries while indexing goes on.
constexpr auto kRefresh = std::chrono::milliseconds(700);

// Each aircraft folder with a readable flight (as the list always showed
// them), counted under the rules of its folder below `dataFolder`.
std::vector<FleetLine> fleetOf(const std::string& dataFolder, const std::vector<store::CatalogEntry>& entries,
                               const std::map<std::string, std::int64_t>& looks) {
  std::set<std::string> readable;
  for (const auto& e : entries)
    if (e.problem.empty()) readable.insert(e.folder);
  const std::string today = analysis::LocalDate();
  std::vector<FleetLine> out;
  for (const std::string& folder : readable) {
    const auto look = looks.find(folder);
    analysis::AircraftRules rules = analysis::ReadAircraftRules(dataFolder + "/" + folder);
    auto log = std::make_shared<store::AircraftLog>(
        store::BuildAircraftLog(folder, entries, rules.limits, look == looks.end() ? 0 : look->second));
    store::ApplyMaintenanceAndAcknowledgements(*log, dataFolder + "/" + folder, rules.acknowledged.acknowledgements,
                                               today);
    std::vector<store::MaintenanceEntry> maintenance;
    for (const store::MaintenanceRecord& r : log->maintenance) maintenance.push_back(r.entry);
    auto trends = std::make_shared<const store::AircraftTrends>(store::BuildTrendSeries(*log, maintenance));
    out.push_back({store::MakeFleetRow(*log), std::move(rules), std::move(log), std::move(trends)});
  }
  return out;
}

}  // namespace

CatalogWorker::CatalogWorker(QObject* receiver, std::function<void(std::shared_ptr<const CatalogSnapshot>)> snapshot,
                             std::function<void(std::size_t, std::size_t)> progress, std::function<void()> held)
    : snapshot_(std::move(snapshot)), progress_(std::move(progress)), held_(std::move(held)), task_(receiver) {}

void CatalogWorker::start(const QString& dataFolder, std::optional<std::map<std::string, std::int64_t>> keptLooks) {
  if (running()) return;
  const std::string folder = toLibraryText(dataFolder);
  task_.start(
      [folder, keptLooks = std::move(keptLooks), snapshot = snapshot_, progress = progress_,
       held = held_](const TaskControl& task) {
        auto post = [&task](std::function<void()> call) { task.deliver(std::move(call)); };
        // The entries as the catalog holds them; the same ones again when no
        // file was read since (`read` files so far).
        std::shared_ptr<const std::vector<store::CatalogEntry>> shown;
        std::shared_ptr<const std::vector<FleetLine>> fleet;  // of `shown`
        std::size_t shownAt = 0;
        std::string shownProblem;  // why the index could not be read, with them
        auto publish = [&](store::Catalog* catalog, std::string problem,
                           const std::map<std::string, std::int64_t>& looks, std::size_t read) {
          auto s = std::make_shared<CatalogSnapshot>();
          if (catalog && (!shown || read != shownAt)) {
            flight::Outcome<std::vector<store::CatalogEntry>> entries = catalog->entries();
            shown = std::make_shared<const std::vector<store::CatalogEntry>>(
                entries.ok() ? std::move(entries.value) : std::vector<store::CatalogEntry>{});
            shownProblem = std::move(entries.problem);
            shownAt = read;
            fleet = std::make_shared<const std::vector<FleetLine>>(fleetOf(folder, *shown, looks));
          }
          // An index that cannot be read is said, not shown as an empty list.
          if (problem.empty()) problem = shownProblem;
          if (shown) {
            s->entries = shown;
            s->fleet = fleet;
          }
          s->lastLooks = looks;
          s->problem = std::move(problem);
          post([snapshot, s] { snapshot(s); });
        };
        // While another program holds the catalog the window says so, and
        // closing it ends the wait.
        bool told = false;
        store::CatalogWait wait;
        wait.holding = [&] {
          if (!told && held) post([held] { held(); });
          told = true;
          return !task.stopAsked();
        };
        // Nothing leaves the thread: a failure (no memory for the catalog's
        // work) is the logbook's problem line.
        const std::string failed = frontend::GuardedWork([&] {
          auto [catalog, problem] = store::Catalog::open(folder, wait);
          if (task.stopAsked()) return;
          if (!catalog) {
            publish(nullptr, problem, {}, 0);
            post([progress] { progress(0, 0); });
            return;
          }
          std::map<std::string, std::int64_t> looks;
          for (const std::string& f : catalog->aircraftFolders()) looks[f] = catalog->lastLook(f);
          if (keptLooks)
            for (const auto& [f, at] : *keptLooks) looks[f] = at;
          publish(catalog.get(), {}, looks, 0);
          auto last = std::chrono::steady_clock::now();
          std::size_t read = 0;
          const store::CatalogUpdate u = catalog->update([&](const store::CatalogProgress& p) {
            post([progress, p] { progress(p.done, p.total); });
            read = p.done;
            if (std::chrono::steady_clock::now() - last > kRefresh) {
              publish(catalog.get(), {}, looks, read);
              last = std::chrono::steady_clock::now();
            }
            return !task.stopAsked();
          });
          if (task.stopAsked()) return;
          if (!u.ok() || u.value.added + u.value.changed + u.value.removed + u.value.recomputed > 0 || u.value.rebuilt) {
            shown.reset();  // what the update stored
            publish(catalog.get(), u.problem, looks, read);
          }
          for (const std::string& f : catalog->aircraftFolders()) catalog->markLooked(f);
          post([progress] { progress(0, 0); });
        });
        if (failed.empty() || task.stopAsked()) return;
        shown.reset();
        publish(nullptr, "The flight catalog cannot be brought up to date: " + failed + ".", {}, 0);
        post([progress] { progress(0, 0); });
      },
      QThread::LowPriority);
}

}  // namespace varnix::app::logbook
