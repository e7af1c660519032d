// The reads of a transaction that its writes depend on: every query that it ran on the committed state
// before it held the write lock, with the nodes that the query selected. The write that takes the lock
// checks that each would select the same nodes now, so that no change rests on a read that another
// session's commit has made stale.
#ifndef CUSTOR_SERVER_READ_SET_H_
#define CUSTOR_SERVER_READ_SET_H_

#include <cstdint>
#include <vector>

#include "collection.h"
#include "evaluator.h"
#include "query.h"

namespace corvane {

class ReadSet {
 public:
  // The most distinct queries one transaction may make before its writes can no longer be checked.
  static constexpr size_t kMaxReads = 10'000;

  // Records what `query` selected from `committed`. False when the transaction can no longer pass the
  // check: the same query selected other nodes before (the two reads cannot both hold now), or it has
  // made more than kMaxReads distinct queries.
  bool Record(const Query& query, Selection selection, const Collection& committed);
  // Whether every recorded query selects the same nodes from `committed` now. Runs no query when no
  // commit has happened since the oldest read.
  bool Holds(const Collection& committed) const;
  void Clear();

 private:
  struct Read {
    Query query;
    Selection selection;  // keeps the selected documents alive, so their nodes can be compared
  };
  std::vector<Read> reads_;
  uint64_t oldest_version_ = 0;  // the collection's commit count at the first read
};

// Whether two selections hold the same nodes in the same order: the same documents, and elements
// that serialise alike.
bool SameNodes(const Selection& a, const Selection& b);

}  // namespace corvane

#endif  // CUSTOR_SERVER_READ_SET_H_
