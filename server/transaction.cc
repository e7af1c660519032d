#include "transaction.h"

#include <memory>
#include <utility>

namespace corvane {

namespace {

// Gives back a write lock that a failing write took, unless the write succeeded.
class TakenLock {
 public:
  TakenLock(Database* db, uint64_t owner, bool* holds, bool newly)
      : db_(db), owner_(owner), holds_(holds), newly_(newly) {}
  ~TakenLock() {
    if (!newly_ || kept_) return;
    db_->write_lock().Release(owner_);
    *holds_ = false;
  }
  TakenLock(const TakenLock&) = delete;
  TakenLock& operator=(const TakenLock&) = delete;
  void Keep() { kept_ = true; }

 private:
  Database* db_;
  uint64_t owner_;
  bool* holds_;
  bool newly_;
  bool kept_ = false;
};

}  // namespace

Code Transaction::Lock(bool* newly) {
  *newly = !holds_lock_;
  if (holds_lock_) return Code::kOk;
  if (conflicted_) return Code::kConflict;
  if (!db_->write_lock().Acquire(owner_, WriteLock::Clock::now() + settings_.lock_timeout)) {
    return Code::kLocked;
  }
  // Nobody else commits while the lock is held: what holds now holds until this transaction ends.
  bool fresh = false;
  try {
    fresh = db_->Read([&](const Collection& committed) { return reads_.Holds(committed); });
  } catch (...) {
    db_->write_lock().Release(owner_);
    throw;
  }
  if (!fresh) {
    db_->write_lock().Release(owner_);
    conflicted_ = true;
    return Code::kConflict;
  }
  holds_lock_ = true;
  return Code::kOk;
}

void Transaction::Unlock() {
  if (!holds_lock_) return;
  db_->write_lock().Release(owner_);
  holds_lock_ = false;
}

void Transaction::Remember(const corvane::Query& query, Selection selection, const Collection& committed) {
  if (settings_.check_reads && !reads_.Record(query, std::move(selection), committed)) conflicted_ = true;
}

Code Transaction::Query(const corvane::Query& query, Selection* selection) {
  const Changes* changes = changes_.empty() ? nullptr : &changes_;
  db_->Read([&](const Collection& committed) {
    *selection = Evaluate(query, committed, changes);
    // Without the lock there are no changes: the query read the committed state alone.
    if (!holds_lock_) Remember(query, *selection, committed);
  });
  return Code::kOk;
}

Code Transaction::Process(Submission submission) {
  bool newly;
  if (Code locked = Lock(&newly); locked != Code::kOk) return locked;
  TakenLock taken(db_, owner_, &holds_lock_, newly);

  const std::string kind(submission.tree.root().name());
  const std::string name(*submission.tree.root().FindAttribute(NameAttributeOf(kind)));
  // Uniqueness as this transaction sees it: a document of the same kind and name other than the one
  // that this store replaces refuses the store, and so does a "kiv:id" naming another kind.
  corvane::Query same_name;
  same_name.steps.push_back(
      Step{kind, {Predicate{Predicate::Kind::kAttribute, std::string(NameAttributeOf(kind)), name}}});
  const Changes* changes = changes_.empty() ? nullptr : &changes_;
  bool refused = db_->Read([&](const Collection& committed) {
    if (submission.id) {
      auto change = changes_.find(*submission.id);
      DocumentPtr replaced = change != changes_.end() ? change->second : committed.Find(*submission.id);
      if (replaced && replaced->kind() != kind) return true;
    }
    Selection others = Evaluate(same_name, committed, changes);
    for (const Selection::Item& item : others.items) {
      if (!submission.id || item.document->id != *submission.id) {
        // The lock goes back: the refusal is a read that a later write must find still true.
        if (newly) Remember(same_name, std::move(others), committed);
        return true;
      }
    }
    return false;
  });
  if (refused) return Code::kUnknownError;

  auto document = std::make_shared<Document>();
  document->id = submission.id ? *submission.id : db_->NewId();
  document->tree = std::move(submission.tree);
  changes_[document->id] = std::move(document);
  if (submission.id) db_->ReserveId(*submission.id);
  taken.Keep();
  return Code::kOk;
}

Code Transaction::Delete(const corvane::Query& selector) {
  bool newly;
  if (Code locked = Lock(&newly); locked != Code::kOk) return locked;
  TakenLock taken(db_, owner_, &holds_lock_, newly);
  const Changes* changes = changes_.empty() ? nullptr : &changes_;
  bool none = db_->Read([&](const Collection& committed) {
    Selection matches = Evaluate(selector, committed, changes);
    if (!matches.items.empty()) {
      Changes deleted = changes_;
      for (const Selection::Item& item : matches.items) deleted[item.document->id] = nullptr;
      changes_.swap(deleted);
      return false;
    }
    // The lock goes back: that nothing matched is a read that a later write must find still true.
    if (newly) Remember(selector, std::move(matches), committed);
    return true;
  });
  if (none) return Code::kNoMatchingDocument;
  taken.Keep();
  return Code::kOk;
}

Code Transaction::Commit(const Author& author, std::string* detail) {
  if (!db_->Commit(changes_, author, detail)) return Code::kUnknownError;
  changes_.clear();
  reads_.Clear();
  conflicted_ = false;
  Unlock();
  return Code::kOk;
}

void Transaction::Rollback() {
  changes_.clear();
  reads_.Clear();
  conflicted_ = false;
  Unlock();
}

}  // namespace corvane
