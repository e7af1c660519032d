#include "read_set.h"

#include <algorithm>
#include <string>

#include "document_writer.h"

namespace corvane {

namespace {

std::string Serialised(const Selection::Item& item) {
  std::string out;
  WriteElement(item.element, &out);
  return out;
}

}  // namespace

bool SameNodes(const Selection& a, const Selection& b) {
  return std::equal(a.items.begin(), a.items.end(), b.items.begin(), b.items.end(),
                    [](const Selection::Item& x, const Selection::Item& y) {
                      // Documents are never changed in place: the same element is the same content.
                      return x.document->id == y.document->id &&
                             (x.element == y.element || Serialised(x) == Serialised(y));
                    });
}

bool ReadSet::Record(const Query& query, Selection selection, const Collection& committed) {
  for (const Read& read : reads_) {
    if (read.query == query) return SameNodes(read.selection, selection);
  }
  if (reads_.size() >= kMaxReads) return false;
  if (reads_.empty()) oldest_version_ = committed.version();
  reads_.push_back(Read{query, std::move(selection)});
  return true;
}

bool ReadSet::Holds(const Collection& committed) const {
  if (reads_.empty() || committed.version() == oldest_version_) return true;
  return std::all_of(reads_.begin(), reads_.end(), [&](const Read& read) {
    return SameNodes(read.selection, Evaluate(read.query, committed, nullptr));
  });
}

void ReadSet::Clear() { reads_.clear(); }

}  // namespace corvane
