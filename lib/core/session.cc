#include "core/session.h"

#include "core/scan.h"
#include "core/text.h"
#include "core/transport.h"

namespace custor {
namespace {

constexpr AttributeTarget kSessionIds{"kiv:response", "kiv:sessionid"};
constexpr AttributeTarget kSessionKeys{"kiv:response", "kiv:sessionkey"};

// The identity that a reply announces; status "VRX@DLL PARSE_ERR" when it carries no session id.
Session SessionOf(const ScanValues &ids, const ScanValues &keys) {
  Session session{ids[0], keys[0], "0"};
  if (session.sessionId == kParseErr) session.status = kParseErr;
  return session;
}

// Sends the commit or rollback and then the disconnect; returns the disconnect reply.
std::string CommitOrRollbackThenDisconnect(const Session &session, const Call &call, int mode) {
  const char *verb = mode == 0 ? "_commit=*" : "_rollback=*";
  const std::string end_reply = ExecuteServerCommand(call, verb + SessionTail(session));
  const Session announced = ParseSessionReply(end_reply);
  return ExecuteServerCommand(call, "_disconnect=*" + SessionTail(announced));
}

}  // namespace

Session SessionlessRecord() { return Session{"0", "0", "0"}; }

std::string SessionTail(const Session &session) {
  return "&_sessionid=" + session.sessionId + "&_sessionkey=" + session.sessionKey;
}

Session createSession(const Call &call) {
  Session session{"0", "0", "0"};
  const std::string reply = ExecuteServerCommand(call, "_connect=*");
  const auto [returns, ids, keys] = CollectAttributeValues(reply, {kReturnValues, kSessionIds, kSessionKeys});
  // Only the first kiv:message counts here, unlike CheckReply.
  if (returns[0] != "0") {
    const ScanValues codes = CollectAttributeValues(reply, "kiv:messagetext", "kiv:code");
    session.status = codes[0] + " " + CollectTextValues(reply)[0];
    return session;
  }
  session.sessionId = ids[0];
  session.sessionKey = keys[0];
  return session;
}

Session ParseSessionReply(std::string_view reply) {
  const auto [ids, keys] = CollectAttributeValues(reply, {kSessionIds, kSessionKeys});
  return SessionOf(ids, keys);
}

CheckedReply CheckSessionReply(std::string_view reply) {
  const auto [returns, ids, keys] = CollectAttributeValues(reply, {kReturnValues, kSessionIds, kSessionKeys});
  return CheckedReply{CheckReply(reply, returns), SessionOf(ids, keys)};
}

std::string endTransaction(const Session *session, const Call &call, int mode) {
  if (session == nullptr || (mode != 0 && mode != 1)) return std::string(kInvalidSession);
  return CollectTextValues(CommitOrRollbackThenDisconnect(*session, call, mode))[0];
}

TransactionEnd endTransactionNew(const Session *session, const Call &call, int mode) {
  TransactionEnd end{"kivcode not supported", std::string(kInvalidSession)};
  if (session == nullptr || (mode != 0 && mode != 1)) return end;
  end.message = CollectTextValues(CommitOrRollbackThenDisconnect(*session, call, mode))[0];
  return end;
}

}  // namespace custor
