// The databases of the data directory: one file each, opened on first use, created on request.
#ifndef CUSTOR_SERVER_CATALOG_H_
#define CUSTOR_SERVER_CATALOG_H_

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "database.h"

namespace corvane {

class Catalog {
 public:
  Catalog(std::string data_dir, bool auto_create)
      : data_dir_(std::move(data_dir)), auto_create_(auto_create) {}

  // 1 to 64 of A-Z a-z 0-9 _ -.
  static bool ValidName(std::string_view name);
  // The file of database `name` in `data_dir`.
  static std::string PathIn(std::string_view data_dir, std::string_view name);

  // The database of that name; null when it does not exist (and is not to be created on first use), or
  // when its file cannot be opened or created: then `error`, when given, says why (it stays empty for a
  // database that merely does not exist).
  Database* Get(std::string_view name, std::string* error = nullptr);
  // Creates the database unless it exists.
  bool Create(std::string_view name, std::string* error);
  // Closes the write lock of every open database (at shutdown).
  void CloseWriteLocks();

 private:
  Database* OpenLocked(std::string_view name, bool create, std::string* error);
  std::string PathOf(std::string_view name) const;

  const std::string data_dir_;
  const bool auto_create_;
  std::mutex mu_;
  std::map<std::string, std::unique_ptr<Database>, std::less<>> open_;
};

}  // namespace corvane

#endif  // CUSTOR_SERVER_CATALOG_H_
