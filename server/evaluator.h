// Evaluation of parsed queries over what one reader sees: the committed collection and, for a reader in
// a session, the session's uncommitted changes over it.
#ifndef CUSTOR_SERVER_EVALUATOR_H_
#define CUSTOR_SERVER_EVALUATOR_H_

#include <string>
#include <vector>

#include "collection.h"
#include "document.h"
#include "query.h"

namespace corvane {

struct Selection {
  struct Item {
    const Document* document;
    Element element;  // document->root() for a whole document
  };
  std::vector<DocumentPtr> documents;  // keeps the selected documents alive
  std::vector<Item> items;             // in result order
};

// `changes` may be null (a reader outside any transaction).
Selection Evaluate(const Query& query, const Collection& committed, const Changes* changes);

// Whether one predicate holds for an element.
bool Holds(const Predicate& predicate, const Element& element);

// The selected nodes serialised compactly, whole documents with their "kiv:id" first.
std::string WriteSelection(const Selection& selection);

}  // namespace corvane

#endif  // CUSTOR_SERVER_EVALUATOR_H_
