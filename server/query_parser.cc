// Recursive descent over the query grammar of query.h.
#include "query.h"
#include "xml_text.h"

namespace corvane {

namespace {

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  std::optional<Query> ParseQuery() {
    Query query;
    if (!ParseStep(&query.steps.emplace_back())) return std::nullopt;
    size_t mark = pos_;
    SkipWhitespace();
    if (Peek('/')) {
      if (!ParseStep(&query.steps.emplace_back())) return std::nullopt;
      mark = pos_;
      SkipWhitespace();
    }
    if (Accept("sortby(")) {
      query.sort.emplace();
      if (!ParseSortBy(&*query.sort)) return std::nullopt;
    } else {
      pos_ = mark;
    }
    if (!AtEnd()) return std::nullopt;
    return query;
  }

  std::optional<Query> ParseSelector() {
    Query query;
    Step& step = query.steps.emplace_back();
    Predicate& predicate = step.predicates.emplace_back();
    predicate.kind = Predicate::Kind::kAttribute;
    std::string raw;
    if (!ParseName(&step.name) || !Accept("[") || !Accept("@") || !ParseName(&predicate.name) ||
        !Accept("=") || !ParseString(&raw) || !Accept("]") || !AtEnd()) {
      return std::nullopt;
    }
    predicate.value = DecodeLiteral(raw, true);
    return query;
  }

 private:
  bool AtEnd() const { return pos_ == text_.size(); }
  bool Peek(char c) const { return pos_ < text_.size() && text_[pos_] == c; }

  bool Accept(std::string_view token) {
    if (text_.substr(pos_, token.size()) != token) return false;
    pos_ += token.size();
    return true;
  }

  // ws? (returns whether any was skipped)
  bool SkipWhitespace() {
    size_t start = pos_;
    while (pos_ < text_.size() &&
           (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\n' || text_[pos_] == '\r')) {
      ++pos_;
    }
    return pos_ > start;
  }

  static bool IsNameStart(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' || c >= 0x80;
  }
  static bool IsNameChar(unsigned char c) {
    return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
  }

  // name := an XML name, prefix included
  bool ParseName(std::string* name) {
    size_t start = pos_;
    if (pos_ >= text_.size() || !IsNameStart(text_[pos_])) return false;
    while (pos_ < text_.size() && IsNameChar(text_[pos_])) ++pos_;
    *name = std::string(text_.substr(start, pos_ - start));
    return true;
  }

  // string := '"' any characters but '"' '"'
  bool ParseString(std::string* raw) {
    if (!Accept("\"")) return false;
    size_t end = text_.find('"', pos_);
    if (end == std::string_view::npos) return false;
    *raw = std::string(text_.substr(pos_, end - pos_));
    pos_ = end + 1;
    return true;
  }

  // step := "/" name ws? ( "[" ws? predicate ws? "]" ws? )*
  bool ParseStep(Step* step) {
    if (!Accept("/") || !ParseName(&step->name)) return false;
    SkipWhitespace();
    while (Accept("[")) {
      SkipWhitespace();
      if (!ParsePredicate(&step->predicates.emplace_back())) return false;
      SkipWhitespace();
      if (!Accept("]")) return false;
      SkipWhitespace();
    }
    return true;
  }

  // predicate := "@" name ws? "=" ws? string | name ws? "=" ws? string | "." ws? "=" ws? string
  bool ParsePredicate(Predicate* predicate) {
    if (Accept("@")) {
      predicate->kind = Predicate::Kind::kAttribute;
      if (!ParseName(&predicate->name)) return false;
    } else if (Accept(".")) {
      predicate->kind = Predicate::Kind::kSelf;
    } else {
      predicate->kind = Predicate::Kind::kChild;
      if (!ParseName(&predicate->name)) return false;
    }
    SkipWhitespace();
    if (!Accept("=")) return false;
    SkipWhitespace();
    std::string raw;
    if (!ParseString(&raw)) return false;
    predicate->value = DecodeLiteral(raw, predicate->kind == Predicate::Kind::kAttribute);
    return true;
  }

  // sortby := "sortby(" ws? key ( ws ( "asc" | "desc" ) )? ws? ")"   ("sortby(" already read)
  bool ParseSortBy(SortKey* key) {
    SkipWhitespace();
    if (Accept("@")) {
      key->kind = SortKey::Kind::kAttribute;
      if (!ParseName(&key->name)) return false;
    } else if (Accept(".")) {
      key->kind = SortKey::Kind::kSelf;
    } else {
      key->kind = SortKey::Kind::kChild;
      if (!ParseName(&key->name)) return false;
    }
    if (SkipWhitespace()) {
      if (Accept("desc")) {
        key->descending = true;
      } else {
        Accept("asc");
      }
      SkipWhitespace();
    }
    return Accept(")");
  }

  std::string_view text_;
  size_t pos_ = 0;
};

}  // namespace

std::optional<Query> ParseQuery(std::string_view text) { return Parser(text).ParseQuery(); }

std::optional<Query> ParseSelector(std::string_view text) { return Parser(text).ParseSelector(); }

}  // namespace corvane
