#include "create/lookups.h"

#include "core/message.h"
#include "core/scan.h"
#include "core/text.h"
#include "core/transport.h"

namespace custor {
namespace {

// What a lookup asks for: the query up to the name's literal, and the code of its not-defined text.
struct Kind {
  std::string_view query_head;
  std::string_view not_defined;
};

constexpr Kind kUser{"_XQL=/kiv:user [@kiv:userid=\"", "KIVAAE0388"};
constexpr Kind kGroup{"_XQL=/kiv:group [@kiv:groupname=\"", "KIVAAE0390"};
constexpr Kind kAcl{"_XQL=/kiv:acl [@kiv:aclname=\"", "KIVAAE0389"};

// Sends the lookup query for `name`, inside `session` when one is given, and returns the reply.
std::string Ask(const Call &call, const Kind &kind, std::string_view name, const Session *session) {
  std::string query(kind.query_head);
  query.append(name);
  query += "\"]";
  if (session != nullptr) query += SessionTail(*session);
  return ExecuteServerCommand(call, query);
}

// The reply's verdict, and the identity it announces when the lookup went inside a session.
std::string Verdict(std::string_view reply, const Session *session, CheckResult &result) {
  if (session == nullptr) return CheckReply(reply);
  CheckedReply checked = CheckSessionReply(reply);
  result.session = std::move(checked.session);
  return std::move(checked.verdict);
}

// "0" when the reply holds no xql:result (nothing stands in the way of a create); else the verdict.
CheckResult Find(const Call &call, const Kind &kind, std::string_view name, const Session *session) {
  CheckResult result;
  const std::string reply = Ask(call, kind, name, session);
  if (ExtractElement(reply, "xql:result") != kTagNotFound) {
    result.status = Verdict(reply, session, result);
  } else {
    if (session != nullptr) result.session = ParseSessionReply(reply);
    result.status = "0";
  }
  return result;
}

// "1" when a clean reply holds an xql:result; the kind's not-defined text when it holds none.
CheckResult Defined(const Call &call, const Kind &kind, std::string_view name, const Session *session) {
  CheckResult result;
  const std::string reply = Ask(call, kind, name, session);
  std::string verdict = Verdict(reply, session, result);
  if (verdict != "0") {
    result.status = std::move(verdict);
  } else if (ExtractElement(reply, "xql:result") != kTagNotFound) {
    result.status = "1";
  } else {
    result.status = MessageText(kind.not_defined);
  }
  return result;
}

// Runs `lookup` over `names` in order, each with the session of the one before, until one is not "1".
template <typename Lookup>
CheckResult Walk(const std::vector<std::string> &names, const Session *session, Lookup lookup) {
  CheckResult result{"1", session != nullptr ? std::optional<Session>(*session) : std::nullopt};
  for (const std::string &name : names) {
    const std::optional<Session> previous = std::move(result.session);
    result = lookup(name, previous ? &*previous : nullptr);
    if (result.status != "1") break;
  }
  return result;
}

}  // namespace

CheckResult FindUser(const Call &call, std::string_view userid, const Session *session) {
  return Find(call, kUser, userid, session);
}

CheckResult FindGroup(const Call &call, std::string_view groupname, const Session *session) {
  return Find(call, kGroup, groupname, session);
}

CheckResult FindAcl(const Call &call, std::string_view aclname, const Session *session) {
  return Find(call, kAcl, aclname, session);
}

CheckResult CheckUserDefined(const Call &call, std::string_view userid, const Session *session) {
  return Defined(call, kUser, userid, session);
}

CheckResult CheckGroupDefined(const Call &call, std::string_view groupname, const Session *session) {
  return Defined(call, kGroup, groupname, session);
}

CheckResult CheckAclDefined(const Call &call, std::string_view aclname, const Session *session) {
  return Defined(call, kAcl, aclname, session);
}

CheckResult CheckUsersDefined(const Call &call, const GroupContent &group, const Session *session) {
  return Walk(group.users, session,
              [&](const std::string &userid, const Session *s) { return CheckUserDefined(call, userid, s); });
}

CheckResult CheckAclsDefined(const Call &call, const GroupContent &group, const Session *session) {
  return Walk(group.acls, session, [&](const std::string &aclname, const Session *s) {
    return CheckAclDefined(call, aclname, s);
  });
}

CheckResult CheckGroupsDefined(const Call &call, const std::vector<std::string> *groups,
                               const Session *session) {
  static const std::vector<std::string> kNone;
  return Walk(
      groups != nullptr ? *groups : kNone, session,
      [&](const std::string &groupname, const Session *s) { return CheckGroupDefined(call, groupname, s); });
}

}  // namespace custor
