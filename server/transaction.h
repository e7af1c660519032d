// A transaction on one database: the changes of a session (or of one sessionless write) that only it
// sees until they are committed, and its hold on the database's write lock.
//
// Every command either succeeds whole or changes nothing: a failed store or delete leaves the earlier
// changes and the lock as they were, and takes no lock that was not already held. That holds for an
// exception too (no memory): it leaves the transaction as it was.
//
// Changes are serializable: the queries that the transaction ran before it held the write lock are
// recorded, and the write that takes the lock first checks that each still selects the same nodes. When
// one does not, that write and every later one fail with KIVXTE0070 until the transaction ends.
#ifndef CUSTOR_SERVER_TRANSACTION_H_
#define CUSTOR_SERVER_TRANSACTION_H_

#include <chrono>
#include <cstdint>
#include <string>

#include "database.h"
#include "document.h"
#include "document_parser.h"
#include "evaluator.h"
#include "query.h"
#include "read_set.h"
#include "reply.h"

namespace corvane {

struct TransactionSettings {
  // How long a write waits for the write lock.
  std::chrono::milliseconds lock_timeout{10'000};
  // Benchmark switch: false records no reads and checks none, so that the check's cost can be measured.
  bool check_reads = true;
};

class Transaction {
 public:
  // `owner` names the holder of the write lock: unique among live transactions, not 0.
  Transaction(Database* db, uint64_t owner, TransactionSettings settings)
      : db_(db), owner_(owner), settings_(settings) {}
  ~Transaction() { Rollback(); }
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

  // Runs a query over the committed state and this transaction's changes.
  Code Query(const corvane::Query& query, Selection* selection);
  // Stores a document: a new one, or the one its "kiv:id" names.
  Code Process(Submission submission);
  // Deletes every document that the selector's query selects.
  Code Delete(const corvane::Query& selector);
  // Makes the changes durable and visible, and gives up the write lock. A failure of the store leaves
  // the transaction as it was and says in `detail` what went wrong.
  Code Commit(const Author& author, std::string* detail);
  // Discards the changes and gives up the write lock.
  void Rollback();

  Database* database() const { return db_; }
  bool holds_lock() const { return holds_lock_; }

 private:
  // Takes the write lock for a write, first checking the reads made without it; `newly` tells whether
  // it was taken now. kOk, kLocked or kConflict.
  Code Lock(bool* newly);
  void Unlock();
  // Records a read of the committed state, made while the write lock is not held.
  void Remember(const corvane::Query& query, Selection selection, const Collection& committed);

  Database* db_;
  uint64_t owner_;
  TransactionSettings settings_;
  Changes changes_;
  ReadSet reads_;
  bool conflicted_ = false;  // a read has gone stale: every write fails until the transaction ends
  bool holds_lock_ = false;
};

}  // namespace corvane

#endif  // CUSTOR_SERVER_TRANSACTION_H_
