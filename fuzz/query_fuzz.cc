// Fuzz target: corvaned's query and delete-selector parser, and evaluation on a small fixed collection.
//
// Beyond not crashing: a parsed query written out again (literals escaped) parses to the same query;
// evaluation through the name and reference indexes, with and without a transaction's changes over the
// committed documents, selects exactly what a plain scan of every document selects, in the same order;
// and the selection serialises to elements that read back as the selected ones.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "collection.h"
#include "document_parser.h"
#include "evaluator.h"
#include "query.h"
#include "same_element.h"

namespace {

using corvane::Document;
using corvane::DocumentPtr;
using corvane::Element;
using corvane::Predicate;
using corvane::Query;
using corvane::SortKey;

void Check(bool ok, const char *what) {
  if (ok) return;
  std::fprintf(stderr, "query_fuzz: %s\n", what);
  std::abort();
}

DocumentPtr MakeDocument(int64_t id, std::string_view xml) {
  auto submission = corvane::ParseSubmission(xml);
  Check(submission.has_value(), "fixture document parses");
  auto document = std::make_shared<Document>();
  document->id = id;
  document->tree = std::move(submission->tree);
  return document;
}

// The committed collection, a transaction's changes over it (a delete, a rewrite, two new documents),
// and what each reader sees in id order.
struct Fixture {
  corvane::Collection committed;
  corvane::Changes changes;
  std::vector<DocumentPtr> committed_view;
  std::vector<DocumentPtr> session_view;

  Fixture() {
    const std::pair<int64_t, std::string_view> documents[] = {
        {1, "<kiv:user kiv:userid=\"alice\"><kiv:name>Alice &amp; Co</kiv:name><note>x</note></kiv:user>"},
        {2,
         "<kiv:user kiv:userid=\"bob\" extra=\"a&#9;b c\"><data x=\"1\">b&lt;o]]&gt;b</data>tail</kiv:user>"},
        {3,
         "<kiv:group kiv:groupname=\"staff\"><kiv:userref>alice</kiv:userref><kiv:userref>bob</kiv:userref>"
         "<kiv:aclref>read</kiv:aclref></kiv:group>"},
        {5,
         "<kiv:group kiv:groupname=\"admins\"><kiv:userref>alice</kiv:userref><kiv:aclref>all</kiv:aclref>"
         "</kiv:group>"},
        {6, "<kiv:acl kiv:aclname=\"read\"><kiv:ace>read:*</kiv:ace><kiv:ace>list:*</kiv:ace></kiv:acl>"},
        {7, "<kiv:acl kiv:aclname=\"all\"><kiv:ace>*:*</kiv:ace><kiv:ace>a&quot;b</kiv:ace></kiv:acl>"},
        {9, "<kiv:user kiv:userid=\"z&#233;\">t<kiv:userref>bob</kiv:userref>u</kiv:user>"},
    };
    for (const auto &[id, xml] : documents) committed.Put(MakeDocument(id, xml));
    changes[2] = nullptr;
    changes[5] =
        MakeDocument(5, "<kiv:group kiv:groupname=\"admins\"><kiv:userref>bob</kiv:userref></kiv:group>");
    changes[10] =
        MakeDocument(10, "<kiv:group kiv:groupname=\"ops\"><kiv:userref>alice</kiv:userref></kiv:group>");
    changes[11] = MakeDocument(11, "<kiv:user kiv:userid=\"carol\"/>");

    std::map<int64_t, DocumentPtr> seen;
    for (const auto &[id, xml] : documents) seen[id] = committed.Find(id);
    for (const auto &[id, document] : seen) committed_view.push_back(document);
    for (const auto &[id, document] : changes) seen[id] = document;
    for (const auto &[id, document] : seen) {
      if (document) session_view.push_back(document);
    }
  }
};

std::string Literal(std::string_view value, bool attribute) {
  std::string out = "\"";
  for (char c : value) {
    if (c == '"') {
      out += "&quot;";
    } else if (c == '&') {
      out += "&amp;";
    } else if (attribute && c == '\t') {
      out += "&#9;";
    } else if (attribute && c == '\n') {
      out += "&#10;";
    } else if (attribute && c == '\r') {
      out += "&#13;";
    } else {
      out.push_back(c);
    }
  }
  return out + "\"";
}

std::string WriteQuery(const Query &query) {
  std::string out;
  for (const corvane::Step &step : query.steps) {
    out += "/" + step.name;
    for (const Predicate &p : step.predicates) {
      out += "[";
      if (p.kind == Predicate::Kind::kAttribute) out += "@" + p.name;
      if (p.kind == Predicate::Kind::kChild) out += p.name;
      if (p.kind == Predicate::Kind::kSelf) out += ".";
      out += "=" + Literal(p.value, p.kind == Predicate::Kind::kAttribute) + "]";
    }
  }
  if (query.sort) {
    out += " sortby(";
    if (query.sort->kind == SortKey::Kind::kAttribute) out += "@" + query.sort->name;
    if (query.sort->kind == SortKey::Kind::kChild) out += query.sort->name;
    if (query.sort->kind == SortKey::Kind::kSelf) out += ".";
    out += query.sort->descending ? " desc)" : ")";
  }
  return out;
}

bool SameQuery(const Query &a, const Query &b) {
  if (a.steps.size() != b.steps.size() || a.sort.has_value() != b.sort.has_value()) return false;
  for (size_t i = 0; i < a.steps.size(); ++i) {
    const auto &x = a.steps[i], &y = b.steps[i];
    if (x.name != y.name || x.predicates.size() != y.predicates.size()) return false;
    for (size_t j = 0; j < x.predicates.size(); ++j) {
      const Predicate &p = x.predicates[j], &q = y.predicates[j];
      if (p.kind != q.kind || p.name != q.name || p.value != q.value) return false;
    }
  }
  return !a.sort || (a.sort->kind == b.sort->kind && a.sort->name == b.sort->name &&
                     a.sort->descending == b.sort->descending);
}

// The reading of a query written out plainly, over every document a reader sees.
std::string OwnText(const Element &element) {
  std::string text;
  for (const corvane::Node &node : element.children()) {
    if (!node.is_element()) text += node.text();
  }
  return text;
}

bool Matches(const Predicate &p, const Element &element) {
  if (p.kind == Predicate::Kind::kSelf) return OwnText(element) == p.value;
  if (p.kind == Predicate::Kind::kAttribute) {
    for (const corvane::Attribute &a : element.attributes()) {
      if (a.name == p.name) return a.value == p.value;
    }
    return false;
  }
  for (const corvane::Node &node : element.children()) {
    if (node.is_element() && node.element().name() == p.name && OwnText(node.element()) == p.value)
      return true;
  }
  return false;
}

bool MatchesAll(const std::vector<Predicate> &predicates, const Element &element) {
  for (const Predicate &p : predicates) {
    if (!Matches(p, element)) return false;
  }
  return true;
}

std::string SortValue(const SortKey &key, const Element &element) {
  if (key.kind == SortKey::Kind::kSelf) return OwnText(element);
  if (key.kind == SortKey::Kind::kAttribute) {
    for (const corvane::Attribute &a : element.attributes()) {
      if (a.name == key.name) return std::string(a.value);
    }
    return {};
  }
  for (const corvane::Node &node : element.children()) {
    if (node.is_element() && node.element().name() == key.name) return OwnText(node.element());
  }
  return {};
}

using Items = std::vector<std::pair<const Document *, Element>>;

Items Scan(const Query &query, const std::vector<DocumentPtr> &view) {
  Items items;
  for (const DocumentPtr &document : view) {
    const Element root = document->root();
    if (root.name() != query.steps[0].name || !MatchesAll(query.steps[0].predicates, root)) continue;
    if (query.steps.size() == 1) {
      items.emplace_back(document.get(), root);
      continue;
    }
    for (const corvane::Node &node : root.children()) {
      if (node.is_element() && node.element().name() == query.steps[1].name &&
          MatchesAll(query.steps[1].predicates, node.element())) {
        items.emplace_back(document.get(), node.element());
      }
    }
  }
  if (query.sort) {
    std::stable_sort(items.begin(), items.end(), [&](const auto &a, const auto &b) {
      std::string x = SortValue(*query.sort, a.second), y = SortValue(*query.sort, b.second);
      return query.sort->descending ? y < x : x < y;
    });
  }
  return items;
}

void CheckEvaluation(const Query &query, const Fixture &fixture, bool in_session) {
  const corvane::Selection selection =
      corvane::Evaluate(query, fixture.committed, in_session ? &fixture.changes : nullptr);
  const Items expected = Scan(query, in_session ? fixture.session_view : fixture.committed_view);
  Check(selection.items.size() == expected.size(), "as many nodes as a plain scan selects");
  for (size_t i = 0; i < expected.size(); ++i) {
    Check(
        selection.items[i].document == expected[i].first && selection.items[i].element == expected[i].second,
        "the nodes of a plain scan, in its order");
  }

  corvane::Tree wrapper;
  Check(corvane::ParseElement("<r>" + corvane::WriteSelection(selection) + "</r>", &wrapper),
        "the serialised selection is well-formed");
  size_t i = 0;
  for (const corvane::Node &node : wrapper.root().children()) {
    Check(i < expected.size(), "one serialised element per node");
    Check(node.is_element(), "only elements in the serialised selection");
    const Element read = node.element();
    const bool whole = expected[i].second == expected[i].first->root();
    if (whole) {
      Check(!read.attributes().empty() && read.attributes()[0].name == "kiv:id" &&
                read.attributes()[0].value == std::to_string(expected[i].first->id),
            "a whole document carries its kiv:id first");
    }
    Check(SameElement(read, expected[i].second, whole ? 1 : 0), "a serialised node reads back as the node");
    ++i;
  }
  Check(i == expected.size(), "one serialised element per node");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static const Fixture fixture;
  const std::string_view text(reinterpret_cast<const char *>(data), size);

  if (const std::optional<Query> query = corvane::ParseQuery(text)) {
    Check(query->steps.size() == 1 || query->steps.size() == 2, "one or two steps");
    const std::optional<Query> again = corvane::ParseQuery(WriteQuery(*query));
    Check(again && SameQuery(*query, *again), "a query written out parses to the same query");
    CheckEvaluation(*query, fixture, false);
    CheckEvaluation(*query, fixture, true);
  }

  if (const std::optional<Query> selector = corvane::ParseSelector(text)) {
    Check(selector->steps.size() == 1 && selector->steps[0].predicates.size() == 1 && !selector->sort &&
              selector->steps[0].predicates[0].kind == Predicate::Kind::kAttribute,
          "a selector is one step with one attribute predicate");
    const corvane::Step &step = selector->steps[0];
    const std::string written =
        step.name + "[@" + step.predicates[0].name + "=" + Literal(step.predicates[0].value, true) + "]";
    const std::optional<Query> again = corvane::ParseSelector(written);
    Check(again && SameQuery(*selector, *again), "a selector written out parses to the same selector");
    CheckEvaluation(*selector, fixture, false);
    CheckEvaluation(*selector, fixture, true);
  }
  return 0;
}
