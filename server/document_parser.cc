#include "document_parser.h"

#include <expat.h>

#include <climits>
#include <vector>

namespace corvane {

namespace {

// Deeper documents are refused: trees are written and freed recursively, and a request of 16 MiB could
// otherwise nest elements deep enough to exhaust a thread's stack.
constexpr size_t kMaxDepth = 1000;

struct Builder {
  Element* root;
  XML_Parser parser;
  std::vector<Element*> open;  // the elements whose end tag is still to come
  bool seen_root = false;
  bool too_deep = false;  // parsing stopped; handlers that expat still calls are ignored
};

void OnStart(void* data, const XML_Char* name, const XML_Char** attributes) {
  auto* builder = static_cast<Builder*>(data);
  if (builder->too_deep) return;
  if (builder->open.size() >= kMaxDepth) {
    builder->too_deep = true;
    XML_StopParser(builder->parser, XML_FALSE);
    return;
  }
  Element* element;
  if (builder->open.empty()) {
    element = builder->root;
    builder->seen_root = true;
  } else {
    Node& node = builder->open.back()->children.emplace_back();
    node.element = std::make_unique<Element>();
    element = node.element.get();
  }
  element->name = name;
  for (const XML_Char** a = attributes; *a != nullptr; a += 2) {
    element->attributes.push_back(Attribute{a[0], a[1]});
  }
  builder->open.push_back(element);
}

void OnEnd(void* data, const XML_Char*) {
  auto* builder = static_cast<Builder*>(data);
  if (!builder->too_deep) builder->open.pop_back();
}

void OnText(void* data, const XML_Char* text, int length) {
  auto* builder = static_cast<Builder*>(data);
  if (builder->too_deep || builder->open.empty()) return;
  std::vector<Node>& children = builder->open.back()->children;
  // expat delivers one text in several pieces; they are kept as one run.
  if (children.empty() || children.back().element) children.emplace_back();
  children.back().text.append(text, static_cast<size_t>(length));
}

bool ParseDecimal(std::string_view digits, int64_t* value) {
  if (digits.empty() || digits.size() > 18) return false;
  int64_t n = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return false;
    n = n * 10 + (c - '0');
  }
  *value = n;
  return true;
}

bool IsNamespaceDeclaration(std::string_view name) {
  return name == "xmlns" || name.substr(0, 6) == "xmlns:";
}

}  // namespace

bool ParseElement(std::string_view xml, Element* root) {
  if (xml.size() > INT_MAX) return false;
  *root = Element();
  XML_Parser parser = XML_ParserCreate(nullptr);
  if (parser == nullptr) return false;
  Builder builder{root, parser, {}};
  XML_SetUserData(parser, &builder);
  XML_SetElementHandler(parser, OnStart, OnEnd);
  XML_SetCharacterDataHandler(parser, OnText);
  bool ok = XML_Parse(parser, xml.data(), static_cast<int>(xml.size()), 1) == XML_STATUS_OK;
  XML_ParserFree(parser);
  return ok && builder.seen_root && !builder.too_deep;
}

std::optional<Submission> ParseSubmission(std::string_view xml) {
  Submission submission;
  if (!ParseElement(xml, &submission.root)) return std::nullopt;
  Element& root = submission.root;
  std::string_view name_attribute = NameAttributeOf(root.name);
  if (name_attribute.empty() || root.FindAttribute(name_attribute) == nullptr) return std::nullopt;
  std::vector<Attribute> kept;
  for (Attribute& attribute : root.attributes) {
    if (attribute.name == kIdAttribute) {
      int64_t id;
      if (submission.id || !ParseDecimal(attribute.value, &id)) return std::nullopt;
      submission.id = id;
    } else if (!IsNamespaceDeclaration(attribute.name)) {
      kept.push_back(std::move(attribute));
    }
  }
  root.attributes = std::move(kept);
  return submission;
}

}  // namespace corvane
