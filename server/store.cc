#include "store.h"

#include <sqlite3.h>

#include <filesystem>
#include <memory>
#include <optional>

namespace corvane {

namespace {

// A prepared statement that finalises itself.
class Statement {
 public:
  Statement(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr); }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  sqlite3_stmt* get() const { return stmt_; }
  explicit operator bool() const { return stmt_ != nullptr; }

 private:
  sqlite3_stmt* stmt_ = nullptr;
};

constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS documents (id INTEGER PRIMARY KEY, xml TEXT NOT NULL);"
    "CREATE TABLE IF NOT EXISTS counters (name TEXT PRIMARY KEY, value INTEGER NOT NULL);"
    "CREATE TABLE IF NOT EXISTS audit (seq INTEGER PRIMARY KEY, time_ms INTEGER NOT NULL,"
    " session TEXT NOT NULL, key_name TEXT NOT NULL, client TEXT NOT NULL, kind TEXT NOT NULL,"
    " name TEXT NOT NULL, before TEXT, after TEXT);"
    "CREATE INDEX IF NOT EXISTS audit_time ON audit (time_ms);";

// Binds a text that outlives the statement's step.
void BindText(sqlite3_stmt* stmt, int column, const std::string& text) {
  sqlite3_bind_text(stmt, column, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
}

std::string ColumnText(sqlite3_stmt* stmt, int column) {
  const char* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
  return std::string(text ? text : "", static_cast<size_t>(sqlite3_column_bytes(stmt, column)));
}

}  // namespace

std::unique_ptr<Store> Store::Open(const std::string& path, bool create, std::string* error) {
  std::error_code ec;
  if (!create && !std::filesystem::exists(path, ec)) {
    *error = kNoSuchFile;
    return nullptr;
  }
  sqlite3* db = nullptr;
  int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
  if (sqlite3_open_v2(path.c_str(), &db, flags, nullptr) != SQLITE_OK) {
    *error = db ? sqlite3_errmsg(db) : "out of memory";
    sqlite3_close(db);
    return nullptr;
  }
  std::unique_ptr<Store> store(new Store(db));
  if (!store->Exec("PRAGMA journal_mode=WAL", error) || !store->Exec("PRAGMA synchronous=FULL", error) ||
      !store->Exec(kSchema, error)) {
    return nullptr;
  }
  return store;
}

Store::~Store() { sqlite3_close(db_); }

bool Store::Exec(const char* sql, std::string* error) {
  char* message = nullptr;
  if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) != SQLITE_OK) {
    *error = message ? message : sqlite3_errmsg(db_);
    sqlite3_free(message);
    return false;
  }
  return true;
}

bool Store::Load(const std::function<bool(int64_t, std::string_view)>& visit, int64_t* next_id,
                 std::string* error) {
  Statement documents(db_, "SELECT id, xml FROM documents ORDER BY id");
  Statement counter(db_, "SELECT value FROM counters WHERE name = 'next_id'");
  if (!documents || !counter) {
    *error = sqlite3_errmsg(db_);
    return false;
  }
  *next_id = 1;
  if (sqlite3_step(counter.get()) == SQLITE_ROW) *next_id = sqlite3_column_int64(counter.get(), 0);
  int rc;
  while ((rc = sqlite3_step(documents.get())) == SQLITE_ROW) {
    int64_t id = sqlite3_column_int64(documents.get(), 0);
    const char* xml = reinterpret_cast<const char*>(sqlite3_column_text(documents.get(), 1));
    size_t length = static_cast<size_t>(sqlite3_column_bytes(documents.get(), 1));
    if (!visit(id, std::string_view(xml ? xml : "", length))) {
      *error = "unreadable document " + std::to_string(id);
      return false;
    }
    if (id >= *next_id) *next_id = id + 1;
  }
  if (rc != SQLITE_DONE) {
    *error = sqlite3_errmsg(db_);
    return false;
  }
  return true;
}

bool Store::Apply(const std::vector<std::pair<int64_t, std::string>>& puts,
                  const std::vector<int64_t>& deletes, int64_t next_id, const std::vector<AuditRow>& audit,
                  std::string* error) {
  if (!Exec("BEGIN IMMEDIATE", error)) return false;
  Statement put(db_, "INSERT OR REPLACE INTO documents (id, xml) VALUES (?, ?)");
  Statement remove(db_, "DELETE FROM documents WHERE id = ?");
  Statement counter(db_, "INSERT OR REPLACE INTO counters (name, value) VALUES ('next_id', ?)");
  Statement row(db_,
                "INSERT INTO audit (time_ms, session, key_name, client, kind, name, before, after) "
                "VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
  bool ok = put && remove && counter && row;
  for (size_t i = 0; ok && i < puts.size(); ++i) {
    sqlite3_reset(put.get());
    sqlite3_bind_int64(put.get(), 1, puts[i].first);
    BindText(put.get(), 2, puts[i].second);
    ok = sqlite3_step(put.get()) == SQLITE_DONE;
  }
  for (size_t i = 0; ok && i < deletes.size(); ++i) {
    sqlite3_reset(remove.get());
    sqlite3_bind_int64(remove.get(), 1, deletes[i]);
    ok = sqlite3_step(remove.get()) == SQLITE_DONE;
  }
  for (size_t i = 0; ok && i < audit.size(); ++i) {
    const AuditRow& r = audit[i];
    sqlite3_reset(row.get());
    sqlite3_bind_int64(row.get(), 1, r.time_ms);
    int column = 2;
    for (const std::string* text : {&r.session, &r.key_name, &r.client, &r.kind, &r.name}) {
      BindText(row.get(), column++, *text);
    }
    for (const std::optional<std::string>* document : {&r.before, &r.after}) {
      if (*document) {
        BindText(row.get(), column++, **document);
      } else {
        sqlite3_bind_null(row.get(), column++);
      }
    }
    ok = sqlite3_step(row.get()) == SQLITE_DONE;
  }
  if (ok) {
    sqlite3_bind_int64(counter.get(), 1, next_id);
    ok = sqlite3_step(counter.get()) == SQLITE_DONE;
  }
  if (!ok) *error = sqlite3_errmsg(db_);
  if (!ok || !Exec("COMMIT", error)) {
    // Nothing of it stays: SQLite may have rolled back already, which a second rollback does not mind.
    std::string ignored;
    Exec("ROLLBACK", &ignored);
    return false;
  }
  return true;
}

bool Store::LimitPages(int64_t pages, std::string* error) {
  return Exec(("PRAGMA max_page_count=" + std::to_string(pages)).c_str(), error);
}

bool Store::ReadAudit(const std::string& path, int64_t since_ms,
                      const std::function<void(const AuditRow&)>& visit, std::string* error) {
  sqlite3* db = nullptr;
  int opened = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  std::unique_ptr<sqlite3, int (*)(sqlite3*)> owned(db, sqlite3_close);
  if (opened != SQLITE_OK) {
    *error = db ? sqlite3_errmsg(db) : "out of memory";
    return false;
  }
  Statement rows(db,
                 "SELECT time_ms, session, key_name, client, kind, name, before, after FROM audit "
                 "WHERE time_ms >= ? ORDER BY seq");
  if (!rows) {
    *error = sqlite3_errmsg(db);
    return false;
  }
  sqlite3_bind_int64(rows.get(), 1, since_ms);
  int rc;
  while ((rc = sqlite3_step(rows.get())) == SQLITE_ROW) {
    AuditRow row;
    row.time_ms = sqlite3_column_int64(rows.get(), 0);
    int column = 1;
    for (std::string* text : {&row.session, &row.key_name, &row.client, &row.kind, &row.name}) {
      *text = ColumnText(rows.get(), column++);
    }
    for (std::optional<std::string>* document : {&row.before, &row.after}) {
      if (sqlite3_column_type(rows.get(), column) != SQLITE_NULL) *document = ColumnText(rows.get(), column);
      ++column;
    }
    visit(row);
  }
  if (rc != SQLITE_DONE) {
    *error = sqlite3_errmsg(db);
    return false;
  }
  return true;
}

}  // namespace corvane
