#include "collection.h"

#include <algorithm>

namespace corvane {

bool IsIndexedReference(std::string_view element) {
  return element == "kiv:userref" || element == "kiv:aclref";
}

std::string Collection::Key(std::string_view a, std::string_view b) {
  std::string key;
  key.reserve(a.size() + b.size() + 1);
  key.append(a);
  key.push_back('\0');
  key.append(b);
  return key;
}

DocumentPtr Collection::Find(int64_t id) const {
  auto it = documents_.find(id);
  return it == documents_.end() ? nullptr : it->second;
}

void Collection::Put(DocumentPtr document) {
  Erase(document->id);
  Index(*document);
  max_id_ = std::max(max_id_, document->id);
  documents_.emplace(document->id, std::move(document));
}

void Collection::Erase(int64_t id) {
  auto it = documents_.find(id);
  if (it == documents_.end()) return;
  Unindex(*it->second);
  documents_.erase(it);
}

void Collection::Index(const Document& document) {
  kinds_[document.kind()].insert(document.id);
  names_[Key(document.kind(), document.name())].insert(document.id);
  for (const Node& child : document.root.children) {
    if (child.element && IsIndexedReference(child.element->name)) {
      references_[Key(child.element->name, child.element->OwnText())].insert(document.id);
    }
  }
}

void Collection::Unindex(const Document& document) {
  auto remove = [&](std::unordered_map<std::string, IdSet>& index, const std::string& key) {
    auto it = index.find(key);
    if (it == index.end()) return;
    it->second.erase(document.id);
    if (it->second.empty()) index.erase(it);
  };
  remove(kinds_, document.kind());
  remove(names_, Key(document.kind(), document.name()));
  for (const Node& child : document.root.children) {
    if (child.element && IsIndexedReference(child.element->name)) {
      remove(references_, Key(child.element->name, child.element->OwnText()));
    }
  }
}

const IdSet* Collection::Lookup(const std::unordered_map<std::string, IdSet>& index, const std::string& key) {
  auto it = index.find(key);
  return it == index.end() ? nullptr : &it->second;
}

const IdSet* Collection::KindIds(std::string_view kind) const { return Lookup(kinds_, std::string(kind)); }

const IdSet* Collection::NameIds(std::string_view kind, std::string_view name) const {
  return Lookup(names_, Key(kind, name));
}

const IdSet* Collection::ReferenceIds(std::string_view element, std::string_view value) const {
  return Lookup(references_, Key(element, value));
}

}  // namespace corvane
