#include "transaction.h"

#include <memory>
#include <utility>

#include "document_parser.h"
#include "evaluator.h"

namespace corvane {

bool Transaction::Lock(bool* newly) {
  *newly = !holds_lock_;
  if (holds_lock_) return true;
  if (!db_->write_lock().Acquire(owner_, WriteLock::Clock::now() + lock_timeout_)) return false;
  holds_lock_ = true;
  return true;
}

void Transaction::Unlock() {
  if (!holds_lock_) return;
  db_->write_lock().Release(owner_);
  holds_lock_ = false;
}

Code Transaction::Query(std::string_view text, std::string* nodes) const {
  std::optional<corvane::Query> query = ParseQuery(text);
  if (!query) return Code::kInvalidQuery;
  const Changes* changes = changes_.empty() ? nullptr : &changes_;
  Selection selection =
      db_->Read([&](const Collection& committed) { return Evaluate(*query, committed, changes); });
  *nodes = WriteSelection(selection);
  return Code::kOk;
}

Code Transaction::Process(std::string_view xml) {
  std::optional<Submission> submission = ParseSubmission(xml);
  if (!submission) return Code::kInvalidDocument;
  bool newly;
  if (!Lock(&newly)) return Code::kLocked;

  const std::string& kind = submission->root.name;
  std::string_view name = *submission->root.FindAttribute(NameAttributeOf(kind));
  // Uniqueness as this transaction sees it: a document of the same kind and name other than the one
  // that this store replaces refuses the store, and so does a "kiv:id" naming another kind.
  corvane::Query same_name;
  same_name.steps.push_back(Step{
      kind, {Predicate{Predicate::Kind::kAttribute, std::string(NameAttributeOf(kind)), std::string(name)}}});
  const Changes* changes = changes_.empty() ? nullptr : &changes_;
  bool refused = db_->Read([&](const Collection& committed) {
    if (submission->id) {
      auto change = changes_.find(*submission->id);
      DocumentPtr replaced = change != changes_.end() ? change->second : committed.Find(*submission->id);
      if (replaced && replaced->kind() != kind) return true;
    }
    Selection others = Evaluate(same_name, committed, changes);
    for (const Selection::Item& item : others.items) {
      if (!submission->id || item.document->id != *submission->id) return true;
    }
    return false;
  });
  if (refused) {
    if (newly) Unlock();
    return Code::kUnknownError;
  }

  auto document = std::make_shared<Document>();
  if (submission->id) {
    document->id = *submission->id;
    db_->ReserveId(document->id);
  } else {
    document->id = db_->NewId();
  }
  document->root = std::move(submission->root);
  changes_[document->id] = std::move(document);
  return Code::kOk;
}

Code Transaction::Delete(std::string_view selector) {
  std::optional<corvane::Query> query = ParseSelector(selector);
  if (!query) return Code::kInvalidQuery;
  bool newly;
  if (!Lock(&newly)) return Code::kLocked;
  const Changes* changes = changes_.empty() ? nullptr : &changes_;
  Selection matches =
      db_->Read([&](const Collection& committed) { return Evaluate(*query, committed, changes); });
  if (matches.items.empty()) {
    if (newly) Unlock();
    return Code::kNoMatchingDocument;
  }
  for (const Selection::Item& item : matches.items) changes_[item.document->id] = nullptr;
  return Code::kOk;
}

Code Transaction::Commit() {
  std::string error;
  if (!db_->Commit(changes_, &error)) return Code::kUnknownError;
  changes_.clear();
  Unlock();
  return Code::kOk;
}

void Transaction::Rollback() {
  changes_.clear();
  Unlock();
}

}  // namespace corvane
