// The durable form of one database: a SQLite file in WAL mode with full sync, holding each document as
// its compact XML text under its id, the next id to give, and the audit trail.
#ifndef CUSTOR_SERVER_STORE_H_
#define CUSTOR_SERVER_STORE_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "audit.h"

struct sqlite3;

namespace corvane {

class Store {
 public:
  // The reason Open gives for a database file that does not exist (and is not to be created).
  static constexpr std::string_view kNoSuchFile = "no such database file";
  // Opens the file; with `create`, creates it when it does not exist. Null on failure, with `error`.
  static std::unique_ptr<Store> Open(const std::string& path, bool create, std::string* error);
  ~Store();
  Store(const Store&) = delete;
  Store& operator=(const Store&) = delete;

  // Calls `visit` for every stored document, in id order, and returns the next id to give.
  bool Load(const std::function<bool(int64_t id, std::string_view xml)>& visit, int64_t* next_id,
            std::string* error);

  // Writes `puts`, removes `deletes` and adds `audit` in one transaction; returns once it is durable.
  // A failure leaves the file as it was and says why in `error`.
  bool Apply(const std::vector<std::pair<int64_t, std::string>>& puts, const std::vector<int64_t>& deletes,
             int64_t next_id, const std::vector<AuditRow>& audit, std::string* error);

  // Calls `visit` for every audit row from `since_ms` on, oldest first, reading the file at `path`
  // without changing it.
  static bool ReadAudit(const std::string& path, int64_t since_ms,
                        const std::function<void(const AuditRow&)>& visit, std::string* error);

  // Test seam: limits the file to `pages` pages (PRAGMA max_page_count), as a full disk would.
  bool LimitPages(int64_t pages, std::string* error);

 private:
  explicit Store(sqlite3* db) : db_(db) {}
  bool Exec(const char* sql, std::string* error);

  sqlite3* db_;
};

}  // namespace corvane

#endif  // CUSTOR_SERVER_STORE_H_
