// Sessions and transactions: opening a server session, reading the session identity that every reply
// inside a session carries, and ending a session with a commit or a rollback and a disconnect.
#ifndef CUSTOR_LIB_CORE_SESSION_H_
#define CUSTOR_LIB_CORE_SESSION_H_

#include <string>
#include <string_view>

#include "core/call.h"
#include "core/status.h"
#include "core/text.h"

namespace custor {

// A server session as the last reply announced it, in the form of the exported SessionRecord: status
// is "0" for a usable session, else an error text ("VRX@DLL PARSE_ERR" when a reply carried no id).
struct Session {
  std::string sessionId;
  std::string sessionKey;
  std::string status;

  // The last reply carried no session id: nothing can be sent in the session any more, not even a
  // rollback, and it is left to the server.
  bool lost() const { return sessionId == kParseErr; }
  // Opened or continued without a failure.
  bool usable() const { return status == "0"; }

  friend bool operator==(const Session &, const Session &) = default;
};

// How a transaction ends: with a commit or with a rollback, then a disconnect.
enum class End { kCommit, kRollback };

// The session record of a sessionless read: all three texts "0"; its id and key are never sent.
Session SessionlessRecord();
// The session of a reply without an identity: all three texts "VRX@DLL PARSE_ERR".
Session LostSession();

// `command` as it is sent inside `session`: with "&_sessionid=ID&_sessionkey=KEY" behind it.
std::string InSession(std::string command, const Session &session);

// Sends "_connect=*". On success status "0" with the reply's id and key (each "VRX@DLL PARSE_ERR" when
// missing); on failure id and key "0" and status the server's code, a blank and its message.
Session OpenSession(const Call &call);

// The kiv:sessionid and kiv:sessionkey of the reply's kiv:response; status "VRX@DLL PARSE_ERR" when the
// reply carries no session id, else "0". The reply's return value is not looked at.
Session ParseSessionReply(std::string_view reply);

// CheckReply and ParseSessionReply of one reply, from one pass over it.
struct CheckedReply {
  Status verdict;
  Session session;
};
CheckedReply CheckSessionReply(std::string_view reply);

// Commit or rollback with the identity of `session`, then disconnect with the identity of that reply.
// Returns the first kept text of the disconnect reply ("" when it has none).
std::string EndSession(const Session &session, const Call &call, End end);

}  // namespace custor

#endif  // CUSTOR_LIB_CORE_SESSION_H_
