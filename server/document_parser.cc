#include "document_parser.h"

#include <expat.h>

#include <cctype>
#include <climits>
#include <exception>
#include <memory>
#include <new>
#include <set>
#include <string>
#include <vector>

namespace corvane {

namespace {

// Deeper documents are refused: trees are written and freed recursively, and a request of 16 MiB could
// otherwise nest elements deep enough to exhaust a thread's stack.
constexpr size_t kMaxDepth = 1000;

// What the tree takes beyond its texts: a node in its parent's list, an element on the heap and the
// allocator's own share of each block.
constexpr size_t kElementCost = sizeof(Node) + sizeof(Element) + 16;
constexpr size_t kAttributeCost = sizeof(Attribute) + 32;
constexpr size_t kTextCost = sizeof(Node) + 16;

using ParserPtr = std::unique_ptr<XML_ParserStruct, decltype(&XML_ParserFree)>;

ParserPtr NewParser(const XML_Char* encoding) {
  ParserPtr parser(XML_ParserCreate(encoding), &XML_ParserFree);
  if (parser == nullptr) throw std::bad_alloc();
  return parser;
}

struct Builder {
  Builder(Element* tree_root, XML_Parser expat, const DocumentLimits& document_limits)
      : root(tree_root), parser(expat), limits(document_limits) {}

  Element* root;
  XML_Parser parser;
  const DocumentLimits& limits;
  std::vector<Element*> open;  // the elements whose end tag is still to come
  bool seen_root = false;
  bool stopped = false;  // parsing stopped; handlers that expat still calls are ignored
  std::string refusal;   // why it stopped, where there is more to say than "not well-formed"
  size_t elements = 0;
  size_t memory = 0;
  bool utf8 = true;  // the document's encoding is UTF-8 (declared, or by default)
  // What a handler threw (no memory): it must not pass through expat, whose state it would leave
  // undone; the parse stops and it is thrown again once expat has returned.
  std::exception_ptr failure;

  void Stop(std::string why) {
    stopped = true;
    refusal = std::move(why);
    XML_StopParser(parser, XML_FALSE);
  }
  // Counts `bytes` more of the tree; false once past the limit.
  bool Take(size_t bytes) {
    memory += bytes;
    if (memory <= limits.max_memory) return true;
    Stop("it would take more than " + std::to_string(limits.max_memory >> 20) + " MiB of memory (" +
         std::string(limits.memory_option) + ")");
    return false;
  }
  // Runs a handler's work unless the parse has stopped, keeping what it throws for later.
  template <typename Work>
  void Guarded(Work work) {
    if (stopped) return;
    try {
      work();
    } catch (...) {
      failure = std::current_exception();
      Stop(std::string());
    }
  }
};

void Start(Builder* builder, const XML_Char* name, const XML_Char** attributes) {
  if (builder->open.size() >= kMaxDepth) {
    builder->Stop(std::string());
    return;
  }
  if (++builder->elements > builder->limits.max_elements) {
    builder->Stop("more than " + std::to_string(builder->limits.max_elements) + " elements (" +
                  std::string(builder->limits.elements_option) + ")");
    return;
  }
  size_t cost = kElementCost + std::char_traits<char>::length(name);
  size_t count = 0;
  for (const XML_Char** a = attributes; *a != nullptr; a += 2, ++count) {
    cost += kAttributeCost + std::char_traits<char>::length(a[0]) + std::char_traits<char>::length(a[1]);
  }
  if (!builder->Take(cost)) return;
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
  element->attributes.reserve(count);
  for (const XML_Char** a = attributes; *a != nullptr; a += 2) {
    element->attributes.push_back(Attribute{a[0], a[1]});
  }
  builder->open.push_back(element);
}

void Text(Builder* builder, const XML_Char* text, int length) {
  if (builder->open.empty()) return;
  std::vector<Node>& children = builder->open.back()->children;
  // expat delivers one text in several pieces; they are kept as one run.
  bool run = !children.empty() && !children.back().element;
  if (!builder->Take((run ? 0 : kTextCost) + static_cast<size_t>(length))) return;
  if (!run) children.emplace_back();
  children.back().text.append(text, static_cast<size_t>(length));
}

void OnStart(void* data, const XML_Char* name, const XML_Char** attributes) {
  auto* builder = static_cast<Builder*>(data);
  builder->Guarded([&] { Start(builder, name, attributes); });
}

void OnEnd(void* data, const XML_Char*) {
  auto* builder = static_cast<Builder*>(data);
  builder->Guarded([&] {
    // The list of children grew by doubling: what it holds is all it keeps.
    builder->open.back()->children.shrink_to_fit();
    builder->open.pop_back();
  });
}

void OnText(void* data, const XML_Char* text, int length) {
  auto* builder = static_cast<Builder*>(data);
  builder->Guarded([&] { Text(builder, text, length); });
}

void OnDeclaration(void* data, const XML_Char*, const XML_Char* encoding, int) {
  auto* builder = static_cast<Builder*>(data);
  if (encoding == nullptr) return;
  builder->Guarded([&] {
    std::string name(encoding);
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    builder->utf8 = name == "utf-8" || name == "utf8";
  });
}

// Whether `name` is an XML name in UTF-8: expat's other encodings (ISO-8859-1 above all) allow name
// characters that its UTF-8 reading does not.
bool IsUtf8Name(const std::string& name) {
  const std::string element = "<" + name + "/>";
  ParserPtr parser = NewParser("UTF-8");
  const bool ok =
      XML_Parse(parser.get(), element.data(), static_cast<int>(element.size()), 1) == XML_STATUS_OK;
  if (XML_GetErrorCode(parser.get()) == XML_ERROR_NO_MEMORY) throw std::bad_alloc();
  return ok;
}

// The first element or attribute name of the tree that is no XML name in UTF-8, or nothing.
std::optional<std::string> NameNotInUtf8(const Element& root) {
  std::set<std::string_view> checked;
  std::vector<const Element*> pending = {&root};
  while (!pending.empty()) {
    const Element* element = pending.back();
    pending.pop_back();
    std::vector<const std::string*> names = {&element->name};
    for (const Attribute& attribute : element->attributes) names.push_back(&attribute.name);
    for (const std::string* name : names) {
      if (checked.insert(*name).second && !IsUtf8Name(*name)) return *name;
    }
    for (const Node& child : element->children) {
      if (child.element) pending.push_back(child.element.get());
    }
  }
  return std::nullopt;
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

bool ParseElement(std::string_view xml, Element* root, const DocumentLimits& limits, std::string* refusal) {
  if (xml.size() > INT_MAX) return false;
  *root = Element();
  ParserPtr parser = NewParser(nullptr);
  Builder builder{root, parser.get(), limits};
  XML_SetUserData(parser.get(), &builder);
  XML_SetElementHandler(parser.get(), OnStart, OnEnd);
  XML_SetCharacterDataHandler(parser.get(), OnText);
  XML_SetXmlDeclHandler(parser.get(), OnDeclaration);
  const XML_Status status = XML_Parse(parser.get(), xml.data(), static_cast<int>(xml.size()), 1);
  const bool no_memory = XML_GetErrorCode(parser.get()) == XML_ERROR_NO_MEMORY;
  parser.reset();
  if (builder.failure) {
    *root = Element();
    std::rethrow_exception(builder.failure);
  }
  if (no_memory) throw std::bad_alloc();
  if (refusal != nullptr) *refusal = builder.refusal;
  if (status != XML_STATUS_OK || !builder.seen_root || builder.stopped) {
    *root = Element();
    return false;
  }
  if (!builder.utf8) {
    if (std::optional<std::string> name = NameNotInUtf8(*root)) {
      if (refusal != nullptr) {
        *refusal = "the name \"" + *name + "\" is no XML name in UTF-8, in which replies carry it";
      }
      *root = Element();
      return false;
    }
  }
  return true;
}

std::optional<Submission> ParseSubmission(std::string_view xml, const DocumentLimits& limits,
                                          std::string* refusal) {
  Submission submission;
  if (!ParseElement(xml, &submission.root, limits, refusal)) return std::nullopt;
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
