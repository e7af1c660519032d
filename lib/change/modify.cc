#include "change/modify.h"

#include "change/delete_group.h"
#include "change/delete_user_or_acl.h"
#include "core/message.h"
#include "core/session.h"
#include "core/text.h"
#include "create/lookups.h"
#include "create/store_group.h"
#include "create/store_user_or_acl.h"

namespace custor {
namespace {

constexpr std::string_view kUserNotDefined = "getstring(USER_NOT_DEFINED)";
constexpr std::string_view kAclNotDefined = "getstring(ACL_NOT_DEFINED)";

// The session that `result` hands on; an internal operation that answered "0" in the caller's
// transaction always carries one. Read as lost when it does not.
Session SessionOf(const CheckResult &result) {
  if (result.session) return *result.session;
  return Session{std::string(kParseErr), std::string(kParseErr), std::string(kParseErr)};
}

// Rolls `result`'s session back (when it has one) and answers `answer`.
std::string RollBack(const Call &call, const CheckResult &result, std::string answer) {
  if (result.session) endTransaction(&*result.session, call, 1);
  return answer;
}

// After the store of the new description: its failure, or the commit of the whole transaction.
std::string Commit(const Call &call, const CheckResult &stored) {
  if (stored.status != "0") return stored.status;
  const Session last = SessionOf(stored);
  endTransaction(&last, call, 0);
  return "0";
}

std::string ModifyUser(const Call &call, std::string_view userid, const std::string &content,
                       std::string_view newuserid, const std::vector<std::string> *groups) {
  const Session session = createSession(call);
  if (session.sessionId == kParseErr) return MessageText("KIVAAE0370");
  if (session.status != "0") return session.status;
  const CheckResult deleted = DeleteUserOrAcl(call, userid, kUserKind, &session);
  if (deleted.status != "0") return deleted.status;
  const Session next = SessionOf(deleted);
  return Commit(call, StoreUserOrAcl(call, newuserid, &content, nullptr, groups, &next));
}

// With `checks`, every user and ACL the group refers to is looked up first, in the transaction.
std::string ModifyGroup(const Call &call, std::string_view groupname, const GroupContent &group,
                        bool checks) {
  const Session session = createSession(call);
  if (session.sessionId == kParseErr) return MessageText("KIVAAE0370");
  const CheckResult target = FindGroup(call, group.name, &session);
  if (target.status != "0" && groupname != group.name)
    return RollBack(call, target, MessageText("KIVAAE0400"));
  Session current = SessionOf(target);
  if (checks) {
    const CheckResult users = CheckUsersDefined(call, group, &current);
    if (users.status != "1") {
      return RollBack(call, users,
                      users.status == "KIVAAE0388" ? std::string(kUserNotDefined) : users.status);
    }
    current = SessionOf(users);
    const CheckResult acls = CheckAclsDefined(call, group, &current);
    if (acls.status != "1") {
      return RollBack(call, acls, acls.status == "KIVAAE0389" ? std::string(kAclNotDefined) : acls.status);
    }
    current = SessionOf(acls);
  }
  // The delete's answer is not looked at: a refused delete shows as the store's refusal, if at all.
  const Session next = SessionOf(DeleteGroupDocument(call, groupname, &current));
  return Commit(call, StoreGroup(call, group, &next, checks ? 1 : 0));
}

std::string ModifyAcl(const Call &call, std::string_view aclname, std::string_view newaclname,
                      const std::vector<std::string> *groups, const std::vector<Ace> &acl) {
  const Session session = createSession(call);
  // Nothing has been sent in the session yet; it is left to the server.
  if (CheckDuplicateAces(acl) != "0") return MessageText("KIVAAE0377");
  if (session.sessionId == kParseErr) return MessageText("KIVAAE0370");
  const CheckResult target = FindAcl(call, newaclname, &session);
  if (target.status != "0" && aclname != newaclname) return RollBack(call, target, MessageText("KIVAAE0386"));
  const Session current = SessionOf(target);
  const CheckResult deleted = DeleteUserOrAcl(call, aclname, kAclKind, &current);
  if (deleted.status != "0") return deleted.status;
  const Session next = SessionOf(deleted);
  if (next.status != "0") return next.status;
  return Commit(call, StoreUserOrAcl(call, newaclname, nullptr, &acl, groups, &next));
}

// The check of the user and ACL variants: every listed group exists. Asked without a session.
bool GroupsExist(const Call &call, const std::vector<std::string> *groups) {
  return CheckGroupsDefined(call, groups, nullptr).status == "1";
}

}  // namespace

std::string modifyUser(const Call &call, std::string_view userid, const std::string &content,
                       std::string_view newuserid, const std::vector<std::string> *groups) {
  return ModifyUser(call, userid, content, newuserid, groups);
}

std::string modifyUser_BAT(const Call &call, std::string_view userid, const std::string &content,
                           std::string_view newuserid, const std::vector<std::string> *groups) {
  if (!GroupsExist(call, groups)) return MessageText("KIVAAE0390");
  return ModifyUser(call, userid, content, newuserid, groups);
}

std::string modifyGroup(const Call &call, std::string_view groupname, const GroupContent &group) {
  return ModifyGroup(call, groupname, group, false);
}

std::string modifyGroup_BAT(const Call &call, std::string_view groupname, const GroupContent &group) {
  if (CheckGroupDefined(call, groupname, nullptr).status != "1") return MessageText("KIVAAE0390");
  return ModifyGroup(call, groupname, group, true);
}

std::string modifyACL(const Call &call, std::string_view aclname, std::string_view newaclname,
                      const std::vector<std::string> *groups, const std::vector<Ace> &acl) {
  return ModifyAcl(call, aclname, newaclname, groups, acl);
}

std::string modifyACL_BAT(const Call &call, std::string_view aclname, std::string_view newaclname,
                          const std::vector<std::string> *groups, const std::vector<Ace> &acl) {
  if (!GroupsExist(call, groups)) return MessageText("KIVAAE0390");
  return ModifyAcl(call, aclname, newaclname, groups, acl);
}

}  // namespace custor
