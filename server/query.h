// Queries of "_XQL" and selectors of "_delete", parsed.
//
//   query     := step ( ws? step )? ( ws? sortby )?
//   step      := "/" name ws? ( "[" ws? predicate ws? "]" ws? )*
//   predicate := "@" name ws? "=" ws? string | name ws? "=" ws? string | "." ws? "=" ws? string
//   sortby    := "sortby(" ws? key ( ws ( "asc" | "desc" ) )? ws? ")"
//   key       := "@" name | "." | name
//   selector  := name "[" "@" name "=" string "]"
#ifndef CUSTOR_SERVER_QUERY_H_
#define CUSTOR_SERVER_QUERY_H_

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

struct Predicate {
  enum class Kind {
    kAttribute,  // @name = "value": the attribute equals
    kChild,      // name = "value": some child element with that name has that text
    kSelf,       // . = "value": the element's own text equals
  };
  Kind kind;
  std::string name;   // attribute or child element name; empty for kSelf
  std::string value;  // decoded; for kAttribute with its tabs and line breaks read as blanks
  bool operator==(const Predicate&) const = default;
};

struct Step {
  std::string name;
  std::vector<Predicate> predicates;  // all must hold
  bool operator==(const Step&) const = default;
};

struct SortKey {
  enum class Kind { kAttribute, kSelf, kChild };
  Kind kind;
  std::string name;
  bool descending = false;
  bool operator==(const SortKey&) const = default;
};

struct Query {
  std::vector<Step> steps;  // one or two: documents, then their child elements
  std::optional<SortKey> sort;
  bool operator==(const Query&) const = default;
};

// Parses a query; nothing when the text is outside the language.
std::optional<Query> ParseQuery(std::string_view text);

// Parses a delete selector into the one-step query that selects the same documents.
std::optional<Query> ParseSelector(std::string_view text);

}  // namespace corvane

#endif  // CUSTOR_SERVER_QUERY_H_
