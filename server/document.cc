#include "document.h"

namespace corvane {

Attribute AttributeList::Iterator::operator*() const {
  const Tree::AttributeRecord& attribute = tree_->attributes_[index_];
  return {tree_->Text(attribute.name), tree_->Text(attribute.value)};
}

NodeList::Iterator& NodeList::Iterator::operator++() {
  index_ = tree_->nodes_[index_].end;
  return *this;
}

bool Node::is_element() const { return tree_->nodes_[index_].attributes != Tree::kRun; }

std::string_view Node::text() const {
  return is_element() ? std::string_view() : tree_->Text(tree_->nodes_[index_].text);
}

std::string_view Element::name() const { return tree_->Text(tree_->nodes_[index_].text); }

AttributeList Element::attributes() const {
  const Tree::Record& record = tree_->nodes_[index_];
  return {tree_, record.attributes, record.attributes + record.attribute_count};
}

NodeList Element::children() const { return {tree_, index_ + 1, tree_->nodes_[index_].end}; }

std::optional<std::string_view> Element::FindAttribute(std::string_view attribute) const {
  for (const Attribute& a : attributes()) {
    if (a.name == attribute) return a.value;
  }
  return std::nullopt;
}

std::string Element::OwnText() const {
  std::string text;
  for (const Node& child : children()) text += child.text();
  return text;
}

std::optional<Element> Element::FirstChild(std::string_view child) const {
  for (const Node& node : children()) {
    if (node.is_element() && node.element().name() == child) return node.element();
  }
  return std::nullopt;
}

std::string_view Document::name() const { return root().FindAttribute(NameAttributeOf(kind())).value_or(""); }

std::string_view NameAttributeOf(std::string_view kind) {
  if (kind == "kiv:user") return "kiv:userid";
  if (kind == "kiv:group") return "kiv:groupname";
  if (kind == "kiv:acl") return "kiv:aclname";
  return {};
}

}  // namespace corvane
