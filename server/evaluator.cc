#include "evaluator.h"

#include <algorithm>

#include "document_writer.h"

namespace corvane {

namespace {

// The committed ids that can satisfy the first step, narrowed by a name or reference index when one of
// its predicates allows; null means that none can.
const IdSet* CommittedCandidates(const Step& step, const Collection& committed) {
  std::string_view name_attribute = NameAttributeOf(step.name);
  for (const Predicate& p : step.predicates) {
    if (p.kind == Predicate::Kind::kAttribute && !name_attribute.empty() && p.name == name_attribute) {
      return committed.NameIds(step.name, p.value);
    }
  }
  for (const Predicate& p : step.predicates) {
    if (p.kind == Predicate::Kind::kChild && IsIndexedReference(p.name)) {
      return committed.ReferenceIds(p.name, p.value);
    }
  }
  return committed.KindIds(step.name);
}

bool HoldsAll(const std::vector<Predicate>& predicates, const Element& element) {
  return std::all_of(predicates.begin(), predicates.end(),
                     [&](const Predicate& p) { return Holds(p, element); });
}

std::string SortValue(const SortKey& key, const Element& element) {
  switch (key.kind) {
    case SortKey::Kind::kAttribute:
      return std::string(element.FindAttribute(key.name).value_or(""));
    case SortKey::Kind::kSelf:
      return element.OwnText();
    case SortKey::Kind::kChild: {
      const std::optional<Element> child = element.FirstChild(key.name);
      return child ? child->OwnText() : std::string();
    }
  }
  return {};
}

}  // namespace

bool Holds(const Predicate& predicate, const Element& element) {
  switch (predicate.kind) {
    case Predicate::Kind::kAttribute: {
      const std::optional<std::string_view> value = element.FindAttribute(predicate.name);
      return value && *value == predicate.value;
    }
    case Predicate::Kind::kSelf:
      return element.OwnText() == predicate.value;
    case Predicate::Kind::kChild:
      for (const Node& child : element.children()) {
        if (child.is_element() && child.element().name() == predicate.name &&
            child.element().OwnText() == predicate.value) {
          return true;
        }
      }
      return false;
  }
  return false;
}

Selection Evaluate(const Query& query, const Collection& committed, const Changes* changes) {
  Selection selection;
  const Step& first = query.steps.front();

  // Documents of the first step in id order: committed ones that the transaction has not changed, then
  // the transaction's own versions.
  std::vector<DocumentPtr> candidates;
  if (const IdSet* ids = CommittedCandidates(first, committed)) {
    for (int64_t id : *ids) {
      if (changes != nullptr && changes->count(id) != 0) continue;
      DocumentPtr document = committed.Find(id);
      // The reference index holds every document with such a child, whatever its kind: a user whose
      // content has a kiv:userref element is no group.
      if (document->kind() == first.name) candidates.push_back(std::move(document));
    }
  }
  if (changes != nullptr) {
    size_t committed_count = candidates.size();
    for (const auto& [id, document] : *changes) {
      if (document && document->kind() == first.name) candidates.push_back(document);
    }
    std::inplace_merge(candidates.begin(), candidates.begin() + committed_count, candidates.end(),
                       [](const DocumentPtr& a, const DocumentPtr& b) { return a->id < b->id; });
  }

  for (DocumentPtr& document : candidates) {
    const Element root = document->root();
    if (!HoldsAll(first.predicates, root)) continue;
    if (query.steps.size() == 1) {
      selection.items.push_back({document.get(), root});
    } else {
      const Step& second = query.steps[1];
      size_t before = selection.items.size();
      for (const Node& child : root.children()) {
        if (child.is_element() && child.element().name() == second.name &&
            HoldsAll(second.predicates, child.element())) {
          selection.items.push_back({document.get(), child.element()});
        }
      }
      if (selection.items.size() == before) continue;
    }
    selection.documents.push_back(std::move(document));
  }

  if (query.sort) {
    const SortKey& key = *query.sort;
    std::vector<std::pair<std::string, Selection::Item>> keyed;
    keyed.reserve(selection.items.size());
    for (const Selection::Item& item : selection.items)
      keyed.emplace_back(SortValue(key, item.element), item);
    std::stable_sort(keyed.begin(), keyed.end(), [&](const auto& a, const auto& b) {
      return key.descending ? b.first < a.first : a.first < b.first;
    });
    for (size_t i = 0; i < keyed.size(); ++i) selection.items[i] = keyed[i].second;
  }
  return selection;
}

std::string WriteSelection(const Selection& selection) {
  std::string out;
  for (const Selection::Item& item : selection.items) {
    const bool whole = item.element == item.document->root();
    WriteElement(item.element, &out, whole ? &item.document->id : nullptr);
  }
  return out;
}

}  // namespace corvane
