// The committed documents of one database, held in memory with the indexes that lookups use: by kind,
// by kind and name, and by the values of the reference elements "kiv:userref" and "kiv:aclref".
#ifndef CUSTOR_SERVER_COLLECTION_H_
#define CUSTOR_SERVER_COLLECTION_H_

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "document.h"

namespace corvane {

using IdSet = std::set<int64_t>;

// Whether child elements of this name are indexed by their text.
bool IsIndexedReference(std::string_view element);

class Collection {
 public:
  // Changes on their way in, in two steps so that nothing can fail once they are durable: Prepare
  // makes every allocation that applying them needs (and may throw), Apply cannot fail, Discard takes
  // back what Prepare added when they were not made durable after all.
  class Update;
  Update Prepare(const Changes& changes);
  void Apply(Update&& update) noexcept;
  void Discard(Update&& update) noexcept;

  DocumentPtr Find(int64_t id) const;
  // Adds a document, replacing the one with the same id.
  void Put(DocumentPtr document);
  void Erase(int64_t id);

  // Ids of the documents of one kind, of one kind and name, of the documents with a reference element
  // of that name and text. Null when there is none.
  const IdSet* KindIds(std::string_view kind) const;
  const IdSet* NameIds(std::string_view kind, std::string_view name) const;
  const IdSet* ReferenceIds(std::string_view element, std::string_view value) const;

  size_t size() const { return documents_.size(); }
  int64_t max_id() const { return max_id_; }
  // How many commits have changed the collection since it was loaded: a reader that saw the same count
  // saw the same documents.
  uint64_t version() const { return version_; }

 private:
  using Index = std::unordered_map<std::string, IdSet>;
  struct Key {
    Index* index;
    std::string key;
  };
  // The index entries of a document.
  std::vector<Key> KeysOf(const Document& document);
  static const IdSet* Lookup(const Index& index, const std::string& key);

  std::unordered_map<int64_t, DocumentPtr> documents_;
  Index kinds_;
  Index names_;
  Index references_;
  int64_t max_id_ = 0;
  uint64_t version_ = 0;
};

class Collection::Update {
 private:
  friend class Collection;
  struct Addition {
    Key key;
    IdSet::node_type node;  // the id, allocated
  };
  std::vector<std::pair<int64_t, DocumentPtr>> changes;
  std::vector<std::unordered_map<int64_t, DocumentPtr>::node_type> new_documents;
  struct Removal {
    Key key;
    int64_t id;
  };
  std::vector<Removal> removals;  // index entries of the documents replaced or deleted
  std::vector<Addition> additions;
};

}  // namespace corvane

#endif  // CUSTOR_SERVER_COLLECTION_H_
