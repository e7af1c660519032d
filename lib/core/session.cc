#include "core/session.h"

#include "core/commands.h"
#include "core/protocol.h"
#include "core/scan.h"
#include "core/transport.h"

namespace custor {
namespace {

constexpr AttributeTarget kSessionIds{"kiv:response", "kiv:sessionid"};
constexpr AttributeTarget kSessionKeys{"kiv:response", "kiv:sessionkey"};

// The identity that a reply announces; status "VRX@DLL PARSE_ERR" when it carries no session id.
Session AnnouncedSession(const ScanValues &ids, const ScanValues &keys) {
  Session session{ids[0], keys[0], "0"};
  if (session.lost()) session.status = kParseErr;
  return session;
}

}  // namespace

Session SessionlessRecord() { return Session{"0", "0", "0"}; }

Session LostSession() {
  return Session{std::string(kParseErr), std::string(kParseErr), std::string(kParseErr)};
}

std::string InSession(std::string command, const Session &session) {
  command.append(protocol::kSessionIdField).append(session.sessionId);
  command.append(protocol::kSessionKeyField).append(session.sessionKey);
  return command;
}

Session OpenSession(const Call &call) {
  Session session = SessionlessRecord();
  const std::string reply = ExecuteServerCommand(call, std::string(kConnectCommand));
  const auto [returns, ids, keys] = CollectAttributeValues(reply, {kReturnValues, kSessionIds, kSessionKeys});
  // Only the first kiv:message counts here, unlike CheckReply.
  if (returns[0] != "0") {
    session.status = FailureText(reply, 0);
    return session;
  }
  session.sessionId = ids[0];
  session.sessionKey = keys[0];
  return session;
}

Session ParseSessionReply(std::string_view reply) {
  const auto [ids, keys] = CollectAttributeValues(reply, {kSessionIds, kSessionKeys});
  return AnnouncedSession(ids, keys);
}

CheckedReply CheckSessionReply(std::string_view reply) {
  const auto [returns, ids, keys] = CollectAttributeValues(reply, {kReturnValues, kSessionIds, kSessionKeys});
  return CheckedReply{CheckReply(reply, returns), AnnouncedSession(ids, keys)};
}

std::string EndSession(const Session &session, const Call &call, End end) {
  const std::string_view verb = end == End::kCommit ? kCommitCommand : kRollbackCommand;
  const std::string end_reply = ExecuteServerCommand(call, InSession(std::string(verb), session));
  const std::string disconnect_reply =
      ExecuteServerCommand(call, InSession(std::string(kDisconnectCommand), ParseSessionReply(end_reply)));
  return CollectTextValues(disconnect_reply)[0];
}

}  // namespace custor
