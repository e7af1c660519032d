// Sessions and transactions: opening a server session, reading the session identity that every reply
// inside a session carries, and ending a session with a commit or a rollback and a disconnect.
#ifndef CUSTOR_LIB_CORE_SESSION_H_
#define CUSTOR_LIB_CORE_SESSION_H_

#include <string>
#include <string_view>

#include "core/call.h"

namespace custor {

// A server session as the last reply announced it. status is "0" for a usable session, else an error
// text ("VRX@DLL PARSE_ERR" when a reply carried no session id).
struct Session {
  std::string sessionId;
  std::string sessionKey;
  std::string status;

  friend bool operator==(const Session &, const Session &) = default;
};

// The session record of a sessionless read: all three texts "0"; its id and key are never sent.
Session SessionlessRecord();

// "&_sessionid=ID&_sessionkey=KEY", the tail of every command sent inside `session`.
std::string SessionTail(const Session &session);

// Sends "_connect=*". On success status "0" with the reply's id and key (each "VRX@DLL PARSE_ERR" when
// missing); on failure id and key "0" and status the server's code, a blank and its message.
Session createSession(const Call &call);

// The kiv:sessionid and kiv:sessionkey of the reply's kiv:response; status "VRX@DLL PARSE_ERR" when the
// reply carries no session id, else "0". The reply's return value is not looked at.
Session ParseSessionReply(std::string_view reply);

// CheckReply and ParseSessionReply of one reply, from one pass over it.
struct CheckedReply {
  std::string verdict;
  Session session;
};
CheckedReply CheckSessionReply(std::string_view reply);

// Commit (mode 0) or rollback (mode 1) with the given identity, then disconnect with the identity of
// that reply. Returns the first kept text of the disconnect reply ("" when it has none), or
// "Invalid Session" without sending anything for a null session or another mode.
std::string endTransaction(const Session *session, const Call &call, int mode);

// The same two requests; code is always "kivcode not supported", message the first kept text of the
// disconnect reply. A null session or another mode sends nothing and gives message "Invalid Session".
struct TransactionEnd {
  std::string code;
  std::string message;
};
TransactionEnd endTransactionNew(const Session *session, const Call &call, int mode);

}  // namespace custor

#endif  // CUSTOR_LIB_CORE_SESSION_H_
