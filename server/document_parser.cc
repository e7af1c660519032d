#include "document_parser.h"

#include <expat.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <exception>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <unordered_map>
#include <vector>

namespace corvane {

namespace {

// Deeper documents are refused: trees are written recursively, and a request of 16 MiB could otherwise
// nest elements deep enough to exhaust a thread's stack.
constexpr size_t kMaxDepth = 1000;

// What an entry of the table of names takes besides the name: the allocator's and the hash table's
// share.
constexpr size_t kNameEntryCost = 96;

// Decides whether an attribute of the root is kept.
using RootFilter = std::function<bool(std::string_view name, std::string_view value)>;

using ParserPtr = std::unique_ptr<XML_ParserStruct, decltype(&XML_ParserFree)>;

ParserPtr NewParser(const XML_Char* encoding) {
  ParserPtr parser(XML_ParserCreate(encoding), &XML_ParserFree);
  if (parser == nullptr) throw std::bad_alloc();
  return parser;
}

// Whether `name` is an XML name in UTF-8: expat's other encodings (ISO-8859-1 above all) allow name
// characters that its UTF-8 reading does not.
bool IsUtf8Name(std::string_view name) {
  const std::string element = "<" + std::string(name) + "/>";
  ParserPtr parser = NewParser("UTF-8");
  const bool ok =
      XML_Parse(parser.get(), element.data(), static_cast<int>(element.size()), 1) == XML_STATUS_OK;
  if (XML_GetErrorCode(parser.get()) == XML_ERROR_NO_MEMORY) throw std::bad_alloc();
  return ok;
}

}  // namespace

// Builds a tree from expat's events, reckoning what it holds against the limits before it grows.
class TreeBuilder {
 public:
  TreeBuilder(Tree* tree, XML_Parser parser, const DocumentLimits& limits, const RootFilter* keep_root)
      : tree_(*tree),
        parser_(parser),
        limits_(limits),
        // Offsets in the tree are 32 bits wide.
        max_bytes_(std::min<size_t>(limits.max_memory, UINT32_MAX)),
        keep_root_(keep_root) {}

  bool stopped() const { return stopped_; }
  const std::string& refusal() const { return refusal_; }
  const std::exception_ptr& failure() const { return failure_; }

  // Runs a handler's work unless the parse has stopped. What it throws (no memory) must not pass
  // through expat, whose state it would leave undone: the parse stops, and it is thrown again once
  // expat has returned.
  template <typename Work>
  void Guarded(Work work) {
    if (stopped_) return;
    try {
      work();
    } catch (...) {
      failure_ = std::current_exception();
      Stop(std::string());
    }
  }

  void Start(const XML_Char* name, const XML_Char** attributes) {
    if (open_.size() >= kMaxDepth) return Stop(std::string());
    if (++elements_ > limits_.max_elements) {
      return Stop("more than " + std::to_string(limits_.max_elements) + " elements (" +
                  std::string(limits_.elements_option) + ")");
    }
    run_ = kNone;
    const bool root = tree_.nodes_.empty();
    Tree::Record record{};
    record.attributes = static_cast<uint32_t>(tree_.attributes_.size());
    if (!Intern(name, &record.text)) return;
    for (const XML_Char** a = attributes; *a != nullptr; a += 2) {
      // A name that the root does not keep must still be one that replies could carry.
      if (root && keep_root_ != nullptr && !(*keep_root_)(a[0], a[1])) {
        if (!Utf8Name(a[0])) return;
        continue;
      }
      Tree::AttributeRecord attribute{};
      if (!Intern(a[0], &attribute.name) || !Append(a[1], &attribute.value) || !Room(tree_.attributes_, 1)) {
        return;
      }
      tree_.attributes_.push_back(attribute);
      ++record.attribute_count;
    }
    if (!Room(tree_.nodes_, 1)) return;
    open_.push_back(static_cast<uint32_t>(tree_.nodes_.size()));
    tree_.nodes_.push_back(record);
  }

  void End() {
    tree_.nodes_[open_.back()].end = static_cast<uint32_t>(tree_.nodes_.size());
    open_.pop_back();
    run_ = kNone;
  }

  void Text(std::string_view text) {
    if (open_.empty()) return;
    // expat delivers one text in several pieces; they are kept as one run, whose characters end the
    // buffer until the next element starts or ends.
    if (run_ == kNone) {
      if (!Room(tree_.nodes_, 1)) return;
      run_ = static_cast<uint32_t>(tree_.nodes_.size());
      const auto offset = static_cast<uint32_t>(tree_.chars_.size());
      tree_.nodes_.push_back({{offset, 0}, run_ + 1, Tree::kRun, 0});
    }
    if (!Room(tree_.chars_, text.size())) return;
    tree_.chars_.append(text);
    tree_.nodes_[run_].text.length += static_cast<uint32_t>(text.size());
  }

  void Declaration(const XML_Char* encoding) {
    std::string name(encoding);
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    utf8_ = name == "utf-8" || name == "utf8";
  }

  // The tree is complete: what its arrays hold is all they keep.
  void Finish() {
    tree_.chars_.shrink_to_fit();
    tree_.nodes_.shrink_to_fit();
    tree_.attributes_.shrink_to_fit();
  }

 private:
  static constexpr uint32_t kNone = UINT32_MAX;

  void Stop(std::string why) {
    stopped_ = true;
    refusal_ = std::move(why);
    XML_StopParser(parser_, XML_FALSE);
  }

  // Whether `more` bytes more stay within the limit; stops the parse when not.
  bool Within(size_t more) {
    if (held_ + more <= max_bytes_) {
      held_ += more;
      return true;
    }
    Stop("it would take more than " + std::to_string(max_bytes_ >> 20) + " MiB of memory (" +
         std::string(limits_.memory_option) + ")");
    return false;
  }

  // Makes room for `more` items in `buffer`, doubling what it holds when it must grow.
  template <typename Buffer>
  bool Room(Buffer& buffer, size_t more) {
    const size_t unit = sizeof(typename Buffer::value_type);
    const size_t need = buffer.size() + more, had = buffer.capacity();
    if (need <= had) return true;
    const size_t capacity = std::max(need, 2 * had);
    if (!Within((capacity - had) * unit)) return false;
    buffer.reserve(capacity);
    held_ += (buffer.capacity() - capacity) * unit;
    return true;
  }

  bool Append(std::string_view text, Tree::Span* span) {
    if (!Room(tree_.chars_, text.size())) return false;
    *span = {static_cast<uint32_t>(tree_.chars_.size()), static_cast<uint32_t>(text.size())};
    tree_.chars_.append(text);
    return true;
  }

  // Whether `name` is an XML name in UTF-8, in which replies carry it; stops the parse when not. Names
  // of a UTF-8 document are, as expat has read them.
  bool Utf8Name(std::string_view name) {
    if (utf8_ || IsUtf8Name(name)) return true;
    Stop("the name \"" + std::string(name) + "\" is no XML name in UTF-8, in which replies carry it");
    return false;
  }

  // Each distinct name is kept once, and checked once.
  bool Intern(std::string_view name, Tree::Span* span) {
    std::string key(name);
    if (auto it = names_.find(key); it != names_.end()) {
      *span = it->second;
      return true;
    }
    if (!Utf8Name(name) || !Within(key.size() + kNameEntryCost) || !Append(name, span)) return false;
    names_.emplace(std::move(key), *span);
    return true;
  }

  Tree& tree_;
  XML_Parser parser_;
  const DocumentLimits& limits_;
  const size_t max_bytes_;
  const RootFilter* keep_root_;
  std::vector<uint32_t> open_;  // the elements whose end tag is still to come
  uint32_t run_ = kNone;        // the run of text that the next text continues
  std::unordered_map<std::string, Tree::Span> names_;
  size_t elements_ = 0;
  size_t held_ = 0;
  bool stopped_ = false;  // handlers that expat still calls are ignored
  std::string refusal_;   // why it stopped, where there is more to say than "not well-formed"
  bool utf8_ = true;      // the document's encoding is UTF-8 (declared, or by default)
  std::exception_ptr failure_;
};

namespace {

void OnStart(void* data, const XML_Char* name, const XML_Char** attributes) {
  auto* builder = static_cast<TreeBuilder*>(data);
  builder->Guarded([&] { builder->Start(name, attributes); });
}

void OnEnd(void* data, const XML_Char*) {
  auto* builder = static_cast<TreeBuilder*>(data);
  builder->Guarded([&] { builder->End(); });
}

void OnText(void* data, const XML_Char* text, int length) {
  auto* builder = static_cast<TreeBuilder*>(data);
  builder->Guarded([&] { builder->Text(std::string_view(text, static_cast<size_t>(length))); });
}

void OnDeclaration(void* data, const XML_Char*, const XML_Char* encoding, int) {
  auto* builder = static_cast<TreeBuilder*>(data);
  if (encoding != nullptr) builder->Guarded([&] { builder->Declaration(encoding); });
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

bool Parse(std::string_view xml, Tree* tree, const DocumentLimits& limits, const RootFilter* keep_root,
           std::string* refusal) {
  *tree = Tree();
  if (xml.size() > INT_MAX) return false;
  ParserPtr parser = NewParser(nullptr);
  TreeBuilder builder(tree, parser.get(), limits, keep_root);
  XML_SetUserData(parser.get(), &builder);
  XML_SetElementHandler(parser.get(), OnStart, OnEnd);
  XML_SetCharacterDataHandler(parser.get(), OnText);
  XML_SetXmlDeclHandler(parser.get(), OnDeclaration);
  const XML_Status status = XML_Parse(parser.get(), xml.data(), static_cast<int>(xml.size()), 1);
  const bool no_memory = XML_GetErrorCode(parser.get()) == XML_ERROR_NO_MEMORY;
  parser.reset();
  if (builder.failure() || no_memory) {
    *tree = Tree();
    if (builder.failure()) std::rethrow_exception(builder.failure());
    throw std::bad_alloc();
  }
  if (refusal != nullptr) *refusal = builder.refusal();
  if (status != XML_STATUS_OK || tree->empty() || builder.stopped()) {
    *tree = Tree();
    return false;
  }
  builder.Finish();
  return true;
}

}  // namespace

bool ParseElement(std::string_view xml, Tree* tree, const DocumentLimits& limits, std::string* refusal) {
  return Parse(xml, tree, limits, nullptr, refusal);
}

std::optional<Submission> ParseSubmission(std::string_view xml, const DocumentLimits& limits,
                                          std::string* refusal) {
  Submission submission;
  bool bad_id = false;
  // The root keeps its attributes but "kiv:id", which names the document, and namespace declarations.
  const RootFilter keep = [&](std::string_view name, std::string_view value) {
    if (name == kIdAttribute) {
      int64_t id = 0;
      if (submission.id || !ParseDecimal(value, &id)) {
        bad_id = true;
      } else {
        submission.id = id;
      }
      return false;
    }
    return !IsNamespaceDeclaration(name);
  };
  if (!Parse(xml, &submission.tree, limits, &keep, refusal) || bad_id) return std::nullopt;
  const Element root = submission.tree.root();
  const std::string_view name_attribute = NameAttributeOf(root.name());
  if (name_attribute.empty() || !root.FindAttribute(name_attribute)) return std::nullopt;
  return submission;
}

}  // namespace corvane
