// The durable form of one database: a SQLite file in WAL mode with full sync, holding each document as
// its compact XML text under its id, and the next id to give.
#ifndef CUSTOR_SERVER_STORE_H_
#define CUSTOR_SERVER_STORE_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct sqlite3;

namespace corvane {

class Store {
 public:
  // Opens the file; with `create`, creates it when it does not exist. Null on failure, with `error`.
  static std::unique_ptr<Store> Open(const std::string& path, bool create, std::string* error);
  ~Store();
  Store(const Store&) = delete;
  Store& operator=(const Store&) = delete;

  // Calls `visit` for every stored document, in id order, and returns the next id to give.
  bool Load(const std::function<bool(int64_t id, std::string_view xml)>& visit, int64_t* next_id,
            std::string* error);

  // Writes `puts` and removes `deletes` in one transaction; returns once it is durable.
  bool Apply(const std::vector<std::pair<int64_t, std::string>>& puts, const std::vector<int64_t>& deletes,
             int64_t next_id, std::string* error);

 private:
  explicit Store(sqlite3* db) : db_(db) {}
  bool Exec(const char* sql, std::string* error);

  sqlite3* db_;
};

}  // namespace corvane

#endif  // CUSTOR_SERVER_STORE_H_
