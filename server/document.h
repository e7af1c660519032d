// The stored documents: a tree of elements, attributes and texts, and the three kinds of document that
// the security collection holds.
//
// A parsed tree is held flat, in three arrays: its nodes (elements and runs of text) in document order,
// its attributes, and one buffer of characters holding every name (each distinct name once) and text.
// An element of a document of empty elements takes 20 bytes; a tree of separately allocated nodes took
// about 130. Elements, nodes and attribute lists are handles into their tree: cheap to copy, valid as
// long as the tree is neither destroyed nor moved.
#ifndef CUSTOR_SERVER_DOCUMENT_H_
#define CUSTOR_SERVER_DOCUMENT_H_

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/protocol.h"

namespace corvane {

inline constexpr std::string_view kKivNamespace = custor::protocol::kKivNamespace;
inline constexpr std::string_view kXqlNamespace = "http://namespaces.corvane.example/xql";
inline constexpr std::string_view kIdAttribute = "kiv:id";

struct Attribute {
  std::string_view name;
  std::string_view value;
};

class Tree;
class Node;
class NodeList;

// The attributes of an element, in document order.
class AttributeList {
 public:
  class Iterator {
   public:
    Attribute operator*() const;
    Iterator& operator++() {
      ++index_;
      return *this;
    }
    bool operator==(const Iterator&) const = default;

   private:
    friend class AttributeList;
    Iterator(const Tree* tree, uint32_t index) : tree_(tree), index_(index) {}
    const Tree* tree_;
    uint32_t index_;
  };
  Iterator begin() const { return {tree_, begin_}; }
  Iterator end() const { return {tree_, end_}; }
  size_t size() const { return end_ - begin_; }
  bool empty() const { return begin_ == end_; }
  Attribute operator[](size_t i) const { return *Iterator(tree_, begin_ + static_cast<uint32_t>(i)); }

 private:
  friend class Element;
  AttributeList(const Tree* tree, uint32_t begin, uint32_t end) : tree_(tree), begin_(begin), end_(end) {}
  const Tree* tree_;
  uint32_t begin_, end_;
};

class Element {
 public:
  Element() = default;
  std::string_view name() const;
  AttributeList attributes() const;
  // The children, elements and runs of text, in document order.
  NodeList children() const;

  // The value of the attribute `attribute`, or nothing.
  std::optional<std::string_view> FindAttribute(std::string_view attribute) const;
  // The element's own text: its text children, concatenated.
  std::string OwnText() const;
  // The first child element named `child`, or nothing.
  std::optional<Element> FirstChild(std::string_view child) const;

  // The same node of the same tree.
  bool operator==(const Element&) const = default;

 private:
  friend class Tree;
  friend class Node;
  Element(const Tree* tree, uint32_t index) : tree_(tree), index_(index) {}
  const Tree* tree_ = nullptr;
  uint32_t index_ = 0;
};

// A child of an element: an element, or a run of character data.
class Node {
 public:
  bool is_element() const;
  // The element; only for a node that is one.
  Element element() const { return {tree_, index_}; }
  // The text; empty for an element.
  std::string_view text() const;

 private:
  friend class NodeList;
  Node(const Tree* tree, uint32_t index) : tree_(tree), index_(index) {}
  const Tree* tree_;
  uint32_t index_;
};

class NodeList {
 public:
  class Iterator {
   public:
    Node operator*() const { return {tree_, index_}; }
    Iterator& operator++();
    bool operator==(const Iterator&) const = default;

   private:
    friend class NodeList;
    Iterator(const Tree* tree, uint32_t index) : tree_(tree), index_(index) {}
    const Tree* tree_;
    uint32_t index_;
  };
  Iterator begin() const { return {tree_, begin_}; }
  Iterator end() const { return {tree_, end_}; }
  bool empty() const { return begin_ == end_; }

 private:
  friend class Element;
  NodeList(const Tree* tree, uint32_t begin, uint32_t end) : tree_(tree), begin_(begin), end_(end) {}
  const Tree* tree_;
  uint32_t begin_, end_;
};

// A parsed element with everything inside it. Built by the document parser; empty until then.
class Tree {
 public:
  Tree() = default;
  Tree(Tree&&) = default;
  Tree& operator=(Tree&&) = default;
  Tree(const Tree&) = delete;
  Tree& operator=(const Tree&) = delete;

  bool empty() const { return nodes_.empty(); }
  // The root element; only for a tree that is not empty.
  Element root() const { return {this, 0}; }
  // The bytes that the tree holds.
  size_t bytes() const {
    return chars_.capacity() + nodes_.capacity() * sizeof(Record) +
           attributes_.capacity() * sizeof(AttributeRecord);
  }

 private:
  friend class Element;
  friend class Node;
  friend class AttributeList;
  friend class NodeList;
  friend class TreeBuilder;

  struct Span {
    uint32_t offset, length;  // in chars_
  };
  // A node. Its subtree (the node and everything inside it) takes the records up to `end`.
  struct Record {
    Span text;  // an element's name, or a run's text
    uint32_t end;
    uint32_t attributes;  // an element's first attribute; kRun for a run of text
    uint32_t attribute_count;
  };
  static constexpr uint32_t kRun = UINT32_MAX;
  struct AttributeRecord {
    Span name, value;
  };

  std::string_view Text(Span span) const { return {chars_.data() + span.offset, span.length}; }

  std::string chars_;
  std::vector<Record> nodes_;
  std::vector<AttributeRecord> attributes_;
};

// A document of the collection: the root element, without its "kiv:id" and namespace declarations,
// under the id that the collection gave it.
struct Document {
  int64_t id = 0;
  Tree tree;

  Element root() const { return tree.root(); }
  std::string_view kind() const { return root().name(); }
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
