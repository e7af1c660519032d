#include "document.h"

namespace corvane {

const std::string* Element::FindAttribute(std::string_view attribute) const {
  for (const Attribute& a : attributes) {
    if (a.name == attribute) return &a.value;
  }
  return nullptr;
}

std::string Element::OwnText() const {
  std::string text;
  for (const Node& child : children) {
    if (!child.element) text += child.text;
  }
  return text;
}

const Element* Element::FirstChild(std::string_view child) const {
  for (const Node& node : children) {
    if (node.element && node.element->name == child) return node.element.get();
  }
  return nullptr;
}

std::string_view Document::name() const {
  const std::string* value = root.FindAttribute(NameAttributeOf(root.name));
  return value ? std::string_view(*value) : std::string_view();
}

std::string_view NameAttributeOf(std::string_view kind) {
  if (kind == "kiv:user") return "kiv:userid";
  if (kind == "kiv:group") return "kiv:groupname";
  if (kind == "kiv:acl") return "kiv:aclname";
  return {};
}

}  // namespace corvane
