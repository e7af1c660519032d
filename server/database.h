// One database: its committed documents in memory, its store on disk, its write lock and its id counter.
#ifndef CUSTOR_SERVER_DATABASE_H_
#define CUSTOR_SERVER_DATABASE_H_

#include <atomic>
#include <cstdint>
#include <memory>
#include <shared_mutex>
#include <string>

#include "audit.h"
#include "collection.h"
#include "document.h"
#include "store.h"
#include "write_lock.h"

namespace corvane {

class Database {
 public:
  // Opens (with `create`, creates) the database file and loads its documents. Null on failure.
  static std::unique_ptr<Database> Open(const std::string& path, std::string name, bool create,
                                        std::string* error);

  const std::string& name() const { return name_; }
  WriteLock& write_lock() { return write_lock_; }

  // Runs `read` over the committed collection; commits wait until it returns.
  template <typename F>
  auto Read(F&& read) const {
    std::shared_lock lock(mu_);
    return read(collection_);
  }

  // Gives a new document id; ids are never given twice while the server runs.
  int64_t NewId() { return next_id_.fetch_add(1); }
  // Makes sure that later ids lie above `id`, which a store named itself.
  void ReserveId(int64_t id);

  // Makes `changes` durable with their audit rows, then visible to every reader at once. Only the
  // holder of the write lock commits. On failure nothing is changed and `error` says why.
  bool Commit(const Changes& changes, const Author& author, std::string* error);

  // Test seam: limits the database file to `pages` pages, as a full disk would.
  bool LimitPages(int64_t pages, std::string* error) { return store_->LimitPages(pages, error); }

 private:
  Database(std::string name, std::unique_ptr<Store> store)
      : name_(std::move(name)), store_(std::move(store)) {}

  const std::string name_;
  std::unique_ptr<Store> store_;
  WriteLock write_lock_;
  std::atomic<int64_t> next_id_{1};
  mutable std::shared_mutex mu_;  // guards collection_
  Collection collection_;
};

}  // namespace corvane

#endif  // CUSTOR_SERVER_DATABASE_H_
