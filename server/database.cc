#include "database.h"

#include <mutex>
#include <utility>
#include <vector>

#include "document_parser.h"
#include "document_writer.h"

namespace corvane {

std::unique_ptr<Database> Database::Open(const std::string& path, std::string name, bool create,
                                         std::string* error) {
  std::unique_ptr<Store> store = Store::Open(path, create, error);
  if (!store) return nullptr;
  std::unique_ptr<Database> db(new Database(std::move(name), std::move(store)));
  int64_t next_id = 1;
  bool loaded = db->store_->Load(
      [&](int64_t id, std::string_view xml) {
        auto document = std::make_shared<Document>();
        document->id = id;
        if (!ParseElement(xml, &document->tree)) return false;
        db->collection_.Put(std::move(document));
        return true;
      },
      &next_id, error);
  if (!loaded) return nullptr;
  db->next_id_ = next_id;
  return db;
}

void Database::ReserveId(int64_t id) {
  int64_t next = next_id_.load();
  while (next <= id && !next_id_.compare_exchange_weak(next, id + 1)) {
  }
}

bool Database::Commit(const Changes& changes, const Author& author, std::string* error) {
  if (changes.empty()) return true;
  std::vector<std::pair<int64_t, std::string>> puts;
  std::vector<int64_t> deletes;
  for (const auto& [id, document] : changes) {
    if (document) {
      std::string xml;
      WriteElement(document->root(), &xml);
      puts.emplace_back(id, std::move(xml));
    } else {
      deletes.push_back(id);
    }
  }
  // Only the holder of the write lock changes the collection: it reads it without waiting.
  std::vector<AuditRow> audit = AuditRows(changes, collection_, author, NowMs());
  Collection::Update update;
  {
    std::unique_lock lock(mu_);
    update = collection_.Prepare(changes);
  }
  std::string failure;
  if (!store_->Apply(puts, deletes, next_id_.load(), audit, &failure)) {
    *error = "cannot commit to " + name_ + ": " + failure;
    std::unique_lock lock(mu_);
    collection_.Discard(std::move(update));
    return false;
  }
  std::unique_lock lock(mu_);
  collection_.Apply(std::move(update));
  return true;
}

}  // namespace corvane
