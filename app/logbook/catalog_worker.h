// SPDX-License-Identifier: GPL-3.0-or-later
// Brings a data folder's flight catalog up to date on a thread of its own
// and hands what it holds to the window: first what the catalog already
// knew, then again as indexing goes on and when it is done.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "store/catalog_entry.h"

class QThread;

namespace varnix::app::logbook {

struct CatalogSnapshot {
  std::vector<flight::CatalogEntry> entries;
  std::map<std::string, std::int64_t> lastLooks;  // per aircraft folder, before this opening
  std::string problem;                             // the catalog could not be opened or stored
};

class CatalogWorker {
 public:
  // `snapshot`, `progress` and `held` run on `receiver`'s thread; `progress`
  // gets (done, total), and total 0 when the catalog is up to date; `held`
  // is called once when another program holds the catalog and it waits.
  CatalogWorker(QObject* receiver, std::function<void(std::shared_ptr<const CatalogSnapshot>)> snapshot,
                std::function<void(std::size_t, std::size_t)> progress, std::function<void()> held = {});
  ~CatalogWorker();  // stops the indexing at its next batch and waits for it

  void start(const QString& dataFolder);
  bool running() const;

 private:
  QPointer<QObject> receiver_;
  std::function<void(std::shared_ptr<const CatalogSnapshot>)> snapshot_;
  std::function<void(std::size_t, std::size_t)> progress_;
  std::function<void()> held_;
  QThread* thread_ = nullptr;
  std::shared_ptr<std::atomic<bool>> stop_ = std::make_shared<std::atomic<bool>>(false);
};

}  // namespace varnix::app::logbook
