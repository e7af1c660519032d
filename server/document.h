// The stored documents: a tree of elements, attributes and texts, and the three kinds of document that
// the security collection holds.
#ifndef CUSTOR_SERVER_DOCUMENT_H_
#define CUSTOR_SERVER_DOCUMENT_H_

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/protocol.h"

namespace corvane {

inline constexpr std::string_view kKivNamespace = custor::protocol::kKivNamespace;
inline constexpr std::string_view kXqlNamespace = "http://namespaces.corvane.example/xql";
inline constexpr std::string_view kIdAttribute = "kiv:id";

struct Attribute {
  std::string name;
  std::string value;
};

struct Node;

struct Element {
  std::string name;
  std::vector<Attribute> attributes;  // in document order
  std::vector<Node> children;         // elements and texts, in document order

  // The value of the attribute `name`, or null.
  const std::string* FindAttribute(std::string_view attribute) const;
  // The element's own text: its text children, concatenated.
  std::string OwnText() const;
  // The own text of the first child element named `child`, or null when there is none.
  const Element* FirstChild(std::string_view child) const;
};

// A child of an element: an element, or a run of character data when `element` is null.
struct Node {
  std::unique_ptr<Element> element;
  std::string text;
};

// A document of the collection: the root element, without its "kiv:id" and namespace declarations,
// under the id that the collection gave it.
struct Document {
  int64_t id = 0;
  Element root;

  const std::string& kind() const { return root.name; }
  // The value of the kind's name attribute (empty when absent).
  std::string_view name() const;
};

using DocumentPtr = std::shared_ptr<const Document>;

// Uncommitted changes of a transaction, by document id; a null document marks a deletion.
using Changes = std::map<int64_t, DocumentPtr>;

// The attribute that names a document of `kind` ("kiv:userid" for "kiv:user", ...), or empty for a root
// element that is no kind of the collection.
std::string_view NameAttributeOf(std::string_view kind);

}  // namespace corvane

#endif  // CUSTOR_SERVER_DOCUMENT_H_
