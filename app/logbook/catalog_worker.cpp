// SPDX-License-Identifier: GPL-3.0-or-later
#include "logbook/catalog_worker.h"

#include <QFile>
#include <QThread>
#include <chrono>

#include "frontend/guarded_work.h"
#include "render/library_text.h"
#include "store/catalog.h"

namespace varnix::app::logbook {

namespace {

// How often the window is handed the entries while indexing goes on.
constexpr auto kRefresh = std::chrono::milliseconds(700);

}  // namespace

CatalogWorker::CatalogWorker(QObject* receiver, std::function<void(std::shared_ptr<const CatalogSnapshot>)> snapshot,
                             std::function<void(std::size_t, std::size_t)> progress, std::function<void()> held)
    : receiver_(receiver), snapshot_(std::move(snapshot)), progress_(std::move(progress)), held_(std::move(held)) {}

CatalogWorker::~CatalogWorker() {
  if (!thread_) return;
  *stop_ = true;
  thread_->wait();
  delete thread_;
}

bool CatalogWorker::running() const { return thread_ && thread_->isRunning(); }

void CatalogWorker::start(const QString& dataFolder) {
  if (running()) return;
  delete thread_;
  const std::string folder = toLibraryText(dataFolder);
  QPointer<QObject> receiver = receiver_;
  auto snapshot = snapshot_;
  auto progress = progress_;
  auto held = held_;
  auto stop = stop_;
  thread_ = QThread::create([folder, receiver, snapshot, progress, held, stop] {
    auto post = [receiver](auto call) {
      if (receiver) QMetaObject::invokeMethod(receiver, std::move(call), Qt::QueuedConnection);
    };
    auto publish = [&](flight::Catalog* catalog, std::string problem,
                       const std::map<std::string, std::int64_t>& looks) {
      auto s = std::make_shared<CatalogSnapshot>();
      if (catalog) s->entries = catalog->entries().value;
      s->lastLooks = looks;
      s->problem = std::move(problem);
      post([snapshot, s] { snapshot(s); });
    };
    // While another program holds the catalog the window says so, and
    // closing it ends the wait.
    bool told = false;
    flight::CatalogWait wait;
    wait.holding = [&] {
      if (!told && held) post([held] { held(); });
      told = true;
      return !*stop;
    };
    // Nothing leaves the thread: a failure (no memory for the catalog's
    // work) is the logbook's problem line.
    const std::string failed = frontend::GuardedWork([&] {
      auto [catalog, problem] = flight::Catalog::open(folder, wait);
      if (*stop) return;
      if (!catalog) {
        publish(nullptr, problem, {});
        post([progress] { progress(0, 0); });
        return;
      }
      std::map<std::string, std::int64_t> looks;
      for (const std::string& f : catalog->aircraftFolders()) looks[f] = catalog->lastLook(f);
      publish(catalog.get(), {}, looks);
      auto last = std::chrono::steady_clock::now();
      const flight::CatalogUpdate u = catalog->update([&](const flight::CatalogProgress& p) {
        post([progress, p] { progress(p.done, p.total); });
        if (std::chrono::steady_clock::now() - last > kRefresh) {
          publish(catalog.get(), {}, looks);
          last = std::chrono::steady_clock::now();
        }
        return !*stop;
      });
      if (*stop) return;
      if (u.added + u.changed + u.removed + u.recomputed > 0 || u.rebuilt || !u.problem.empty()) publish(catalog.get(), u.problem, looks);
      for (const std::string& f : catalog->aircraftFolders()) catalog->markLooked(f);
      post([progress] { progress(0, 0); });
    });
    if (failed.empty()) return;
    publish(nullptr, "The flight catalog cannot be brought up to date: " + failed + ".", {});
    post([progress] { progress(0, 0); });
  });
  thread_->start(QThread::LowPriority);
}

}  // namespace varnix::app::logbook
