// A transaction on one database: the changes of a session (or of one sessionless write) that only it
// sees until they are committed, and its hold on the database's write lock.
//
// Every command either succeeds whole or changes nothing: a failed store or delete leaves the earlier
// changes and the lock as they were, and takes no lock that was not already held.
#ifndef CUSTOR_SERVER_TRANSACTION_H_
#define CUSTOR_SERVER_TRANSACTION_H_

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "database.h"
#include "document.h"
#include "query.h"
#include "reply.h"

namespace corvane {

class Transaction {
 public:
  // `owner` names the holder of the write lock: unique among live transactions, not 0.
  Transaction(Database* db, uint64_t owner, std::chrono::milliseconds lock_timeout)
      : db_(db), owner_(owner), lock_timeout_(lock_timeout) {}
  ~Transaction() { Rollback(); }
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

  // Runs a query over the committed state and this transaction's changes. On success `nodes` holds the
  // selected nodes serialised, empty when nothing was selected.
  Code Query(std::string_view text, std::string* nodes) const;
  // Stores a document: a new one, or the one its "kiv:id" names.
  Code Process(std::string_view xml);
  // Deletes every document that the selector matches.
  Code Delete(std::string_view selector);
  // Makes the changes durable and visible, and gives up the write lock.
  Code Commit();
  // Discards the changes and gives up the write lock.
  void Rollback();

  Database* database() const { return db_; }
  bool holds_lock() const { return holds_lock_; }

 private:
  // Takes the write lock for a write; `newly` tells whether it was taken now.
  bool Lock(bool* newly);
  void Unlock();

  Database* db_;
  uint64_t owner_;
  std::chrono::milliseconds lock_timeout_;
  Changes changes_;
  bool holds_lock_ = false;
};

}  // namespace corvane

#endif  // CUSTOR_SERVER_TRANSACTION_H_
