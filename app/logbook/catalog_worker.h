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
#include <vector>

#include "app/shared/background_task.h"
#include "store/catalog_entry.h"

namespace varnix::app::logbook {

struct CatalogSnapshot {
  // Shared, never copied: a refresh with nothing indexed since the last one
  // hands the same entries over again.
  std::shared_ptr<const std::vector<store::CatalogEntry>> entries =
      std::make_shared<const std::vector<store::CatalogEntry>>();
  std::map<std::string, std::int64_t> lastLooks;  // per aircraft folder, before this opening
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

  void start(const QString& dataFolder);
  bool running() const { return task_.running(); }

 private:
  std::function<void(std::shared_ptr<const CatalogSnapshot>)> snapshot_;
  std::function<void(std::size_t, std::size_t)> progress_;
  std::function<void()> held_;
  BackgroundTask task_;
};

}  // namespace varnix::app::logbook
