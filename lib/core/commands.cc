#include "core/commands.h"

namespace custor {
namespace {

// "[@kiv:userid=\"NAME\"]": the object of `kind` named `name`, as a query or a delete selects it.
std::string NamePredicate(Kind kind, std::string_view name) {
  std::string predicate = "[@";
  predicate.append(NamesOf(kind).name).append("=\"").append(name).append("\"]");
  return predicate;
}

// "sortby(@kiv:userid)", with `order` inside the parentheses when given.
std::string SortByName(Kind kind, std::string_view order = {}) {
  std::string sort = "sortby(@";
  sort.append(NamesOf(kind).name);
  if (!order.empty()) sort.append(" ").append(order);
  return sort + ")";
}

std::string Query(Kind kind) { return std::string("_XQL=/").append(NamesOf(kind).element); }

}  // namespace

std::string NameListQuery(Kind kind) { return Query(kind) + " " + SortByName(kind); }

std::string ObjectQuery(Kind kind, std::string_view name) {
  return Query(kind) + " " + NamePredicate(kind, name);
}

std::string GroupReferencesQuery(std::string_view groupname, Kind referenced) {
  return ObjectQuery(Kind::kGroup, groupname).append(" /").append(NamesOf(referenced).reference) +
         " sortby(.)";
}

std::string ReferringGroupsQuery(Kind kind, std::string_view name) {
  std::string query = Query(Kind::kGroup) + " [";
  query.append(NamesOf(kind).reference).append("=\"").append(name).append("\"]");
  return query;
}

std::string SortedReferringGroupsQuery(Kind kind, std::string_view name) {
  return ReferringGroupsQuery(kind, name) + SortByName(Kind::kGroup, kind == Kind::kAcl ? "asc" : "");
}

std::string EntryQuery(std::string_view aclname, std::string_view text) {
  std::string query = ObjectQuery(Kind::kAcl, aclname);
  query.append(" /kiv:ace [. = \"").append(text).append("\"]");
  return query;
}

std::string DeleteCommand(Kind kind, std::string_view name) {
  return std::string("_delete=").append(NamesOf(kind).element) + NamePredicate(kind, name);
}

}  // namespace custor
