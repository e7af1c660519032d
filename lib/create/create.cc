#include "create/create.h"

#include "core/message.h"
#include "core/session.h"
#include "create/lookups.h"
#include "create/store_group.h"
#include "create/store_user_or_acl.h"

namespace custor {
namespace {

const Session *Ptr(const std::optional<Session> &session) { return session ? &*session : nullptr; }

// The checks of a _BAT create of a user or ACL: every listed group must exist. The lookup of the object
// itself is sent too, but stops the create only when it answers exactly the bare refusal code (which
// the lookups do not answer: an existing object is refused by the store with that code's text).
template <typename Lookup>
std::optional<std::string> CheckedCreate(const Call &call, const std::vector<std::string> *groups,
                                         Lookup lookup, std::string_view exists_code) {
  if (CheckGroupsDefined(call, groups, nullptr).status != "1") return MessageText("KIVAAE0390");
  if (lookup().status == exists_code) return MessageText(exists_code);
  return std::nullopt;
}

}  // namespace

std::string createUser(const Call &call, const std::string &content, std::string_view userid,
                       const std::vector<std::string> *groups) {
  CheckResult found = FindUser(call, userid, nullptr);
  if (found.status != "0") return std::move(found.status);
  return StoreUserOrAcl(call, userid, &content, nullptr, groups, nullptr).status;
}

std::string createUser_BAT(const Call &call, const std::string &content, std::string_view userid,
                           const std::vector<std::string> *groups) {
  auto refused = CheckedCreate(
      call, groups, [&] { return FindUser(call, userid, nullptr); }, "KIVAAE0387");
  if (refused) return std::move(*refused);
  return StoreUserOrAcl(call, userid, &content, nullptr, groups, nullptr).status;
}

std::string createACL(const Call &call, std::string_view aclname, const std::vector<std::string> *groups,
                      const std::vector<Ace> &acl) {
  CheckResult found = FindAcl(call, aclname, nullptr);
  if (found.status != "0") return std::move(found.status);
  return StoreUserOrAcl(call, aclname, nullptr, &acl, groups, nullptr).status;
}

std::string createACL_BAT(const Call &call, std::string_view aclname, const std::vector<std::string> *groups,
                          const std::vector<Ace> &acl) {
  auto refused = CheckedCreate(
      call, groups, [&] { return FindAcl(call, aclname, nullptr); }, "KIVAAE0386");
  if (refused) return std::move(*refused);
  return StoreUserOrAcl(call, aclname, nullptr, &acl, groups, nullptr).status;
}

std::string createGroup(const Call &call, const GroupContent &group) {
  CheckResult found = FindGroup(call, group.name, nullptr);
  if (found.status != "0") return std::move(found.status);
  return StoreGroup(call, group, nullptr, 0).status;
}

std::string createGroup_BAT(const Call &call, const GroupContent &group) {
  // One session for the lookup, the reference checks and the store. A failed lookup leaves it open;
  // StoreGroup rolls it back on its own failures.
  const Session session = createSession(call);
  const CheckResult found = FindGroup(call, group.name, &session);
  if (found.status != "0") return MessageText("KIVAAE0400");
  CheckResult stored = StoreGroup(call, group, Ptr(found.session), 1);
  if (stored.status == "0") endTransaction(Ptr(stored.session), call, 0);
  return std::move(stored.status);
}

}  // namespace custor
