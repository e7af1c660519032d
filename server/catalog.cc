#include "catalog.h"

namespace corvane {

bool Catalog::ValidName(std::string_view name) {
  if (name.empty() || name.size() > 64) return false;
  for (char c : name) {
    bool ok =
        (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
    if (!ok) return false;
  }
  return true;
}

std::string Catalog::PathIn(std::string_view data_dir, std::string_view name) {
  return std::string(data_dir) + "/" + std::string(name) + ".db";
}

std::string Catalog::PathOf(std::string_view name) const { return PathIn(data_dir_, name); }

Database* Catalog::OpenLocked(std::string_view name, bool create, std::string* error) {
  if (!ValidName(name)) {
    *error = "invalid database name";
    return nullptr;
  }
  auto it = open_.find(name);
  if (it != open_.end()) return it->second.get();
  std::unique_ptr<Database> db = Database::Open(PathOf(name), std::string(name), create, error);
  if (!db) return nullptr;
  return open_.emplace(std::string(name), std::move(db)).first->second.get();
}

Database* Catalog::Get(std::string_view name, std::string* error) {
  std::lock_guard lock(mu_);
  std::string reason;
  Database* db = OpenLocked(name, auto_create_, &reason);
  if (db == nullptr && error != nullptr && reason != Store::kNoSuchFile && ValidName(name)) *error = reason;
  return db;
}

bool Catalog::Create(std::string_view name, std::string* error) {
  std::lock_guard lock(mu_);
  return OpenLocked(name, true, error) != nullptr;
}

void Catalog::CloseWriteLocks() {
  std::lock_guard lock(mu_);
  for (auto& [name, db] : open_) db->write_lock().Close();
}

}  // namespace corvane
