#include "collection.h"

#include <algorithm>

namespace corvane {

namespace {

std::string JoinKey(std::string_view a, std::string_view b) {
  std::string key;
  key.reserve(a.size() + b.size() + 1);
  key.append(a);
  key.push_back('\0');
  key.append(b);
  return key;
}

}  // namespace

bool IsIndexedReference(std::string_view element) {
  return element == "kiv:userref" || element == "kiv:aclref";
}

std::vector<Collection::Key> Collection::KeysOf(const Document& document) {
  std::vector<Key> keys;
  keys.push_back({&kinds_, std::string(document.kind())});
  keys.push_back({&names_, JoinKey(document.kind(), document.name())});
  for (const Node& child : document.root().children()) {
    if (child.is_element() && IsIndexedReference(child.element().name())) {
      keys.push_back({&references_, JoinKey(child.element().name(), child.element().OwnText())});
    }
  }
  return keys;
}

Collection::Update Collection::Prepare(const Changes& changes) {
  Update update;
  size_t added = 0;
  for (const auto& [id, document] : changes) {
    update.changes.emplace_back(id, document);
    if (DocumentPtr old = Find(id)) {
      for (Key& key : KeysOf(*old)) update.removals.push_back({std::move(key), id});
    } else if (document) {
      std::unordered_map<int64_t, DocumentPtr> holder;
      holder.emplace(id, nullptr);
      update.new_documents.push_back(holder.extract(id));
      ++added;
    }
    if (!document) continue;
    for (Key& key : KeysOf(*document)) {
      IdSet holder{id};
      update.additions.push_back({std::move(key), holder.extract(id)});
    }
  }
  // What Apply inserts finds its place made: no rehash, and an index entry for every key.
  documents_.reserve(documents_.size() + added);
  for (Update::Addition& addition : update.additions) addition.key.index->try_emplace(addition.key.key);
  return update;
}

void Collection::Apply(Update&& update) noexcept {
  for (const Update::Removal& removal : update.removals) {
    removal.key.index->find(removal.key.key)->second.erase(removal.id);
  }
  size_t next_new = 0;
  for (auto& [id, document] : update.changes) {
    auto it = documents_.find(id);
    if (!document) {
      if (it != documents_.end()) documents_.erase(it);
      continue;
    }
    if (it == documents_.end()) {
      it = documents_.insert(std::move(update.new_documents[next_new++])).position;
    }
    it->second = std::move(document);
    max_id_ = std::max(max_id_, id);
  }
  for (Update::Addition& addition : update.additions) {
    addition.key.index->find(addition.key.key)->second.insert(std::move(addition.node));
  }
  Discard(std::move(update));
  ++version_;
}

void Collection::Discard(Update&& update) noexcept {
  // Entries left empty: those of removed documents, and those that Prepare made for nothing.
  auto drop_if_empty = [](const Key& key) {
    auto it = key.index->find(key.key);
    if (it != key.index->end() && it->second.empty()) key.index->erase(it);
  };
  for (const Update::Removal& removal : update.removals) drop_if_empty(removal.key);
  for (const Update::Addition& addition : update.additions) drop_if_empty(addition.key);
}

DocumentPtr Collection::Find(int64_t id) const {
  auto it = documents_.find(id);
  return it == documents_.end() ? nullptr : it->second;
}

void Collection::Put(DocumentPtr document) {
  int64_t id = document->id;
  Apply(Prepare(Changes{{id, std::move(document)}}));
}

void Collection::Erase(int64_t id) { Apply(Prepare(Changes{{id, nullptr}})); }

const IdSet* Collection::Lookup(const Index& index, const std::string& key) {
  auto it = index.find(key);
  return it == index.end() ? nullptr : &it->second;
}

const IdSet* Collection::KindIds(std::string_view kind) const { return Lookup(kinds_, std::string(kind)); }

const IdSet* Collection::NameIds(std::string_view kind, std::string_view name) const {
  return Lookup(names_, JoinKey(kind, name));
}

const IdSet* Collection::ReferenceIds(std::string_view element, std::string_view value) const {
  return Lookup(references_, JoinKey(element, value));
}

}  // namespace corvane
