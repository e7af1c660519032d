#include "document_writer.h"

#include "xml_text.h"

namespace corvane {

void WriteElement(const Element& element, std::string* out, const int64_t* id) {
  out->push_back('<');
  out->append(element.name());
  if (id != nullptr) {
    out->append(" kiv:id=\"");
    out->append(std::to_string(*id));
    out->push_back('"');
  }
  for (const Attribute& attribute : element.attributes()) {
    out->push_back(' ');
    out->append(attribute.name);
    out->append("=\"");
    AppendEscapedAttribute(out, attribute.value);
    out->push_back('"');
  }
  const NodeList children = element.children();
  if (children.empty()) {
    out->append("/>");
    return;
  }
  out->push_back('>');
  for (const Node& child : children) {
    if (child.is_element()) {
      WriteElement(child.element(), out);
    } else {
      AppendEscapedText(out, child.text());
    }
  }
  out->append("</");
  out->append(element.name());
  out->push_back('>');
}

}  // namespace corvane
