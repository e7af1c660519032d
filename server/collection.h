// The committed documents of one database, held in memory with the indexes that lookups use: by kind,
// by kind and name, and by the values of the reference elements "kiv:userref" and "kiv:aclref".
#ifndef CUSTOR_SERVER_COLLECTION_H_
#define CUSTOR_SERVER_COLLECTION_H_

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>

#include "document.h"

namespace corvane {

using IdSet = std::set<int64_t>;

// Whether child elements of this name are indexed by their text.
bool IsIndexedReference(std::string_view element);

class Collection {
 public:
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

 private:
  static std::string Key(std::string_view a, std::string_view b);
  void Index(const Document& document);
  void Unindex(const Document& document);
  static const IdSet* Lookup(const std::unordered_map<std::string, IdSet>& index, const std::string& key);

  std::unordered_map<int64_t, DocumentPtr> documents_;
  std::unordered_map<std::string, IdSet> kinds_;
  std::unordered_map<std::string, IdSet> names_;
  std::unordered_map<std::string, IdSet> references_;
  int64_t max_id_ = 0;
};

}  // namespace corvane

#endif  // CUSTOR_SERVER_COLLECTION_H_
