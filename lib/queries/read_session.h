// The session a reader runs in: none (sessionless), the caller's, or one it opens and ends itself.
#ifndef CUSTOR_LIB_QUERIES_READ_SESSION_H_
#define CUSTOR_LIB_QUERIES_READ_SESSION_H_

#include <optional>
#include <string>
#include <string_view>

#include "core/call.h"
#include "core/session.h"

namespace custor {

class ReadSession {
 public:
  // Sessionless: the fixed record, whose id and key are never sent. Otherwise `callerSession` when
  // given, else a new session from createSession.
  ReadSession(const Call &call, const Session *callerSession, bool sessionless);

  ReadSession(const ReadSession &) = delete;
  ReadSession &operator=(const ReadSession &) = delete;

  bool sessionless() const { return sessionless_; }
  // A session of its own, which the reader ends; the caller's session is the caller's to end.
  bool owned() const { return owned_; }
  bool caller() const { return !sessionless_ && !owned_; }
  bool usable() const { return current_.status == "0"; }
  const Session &current() const { return current_; }

  // Sends `command`, carrying the current id and key in session mode, and returns the reply.
  std::string Send(std::string command) const;
  // In session mode, takes the identity announced by `reply` as the current session.
  void Refresh(std::string_view reply);
  // Commit (mode 0) or rollback (mode 1) and disconnect with the current identity.
  void End(int mode) const;
  // The last step of a read that went through: the caller's session goes back to the caller with the
  // current identity, a session of its own is ended with `mode`; nothing is handed back otherwise.
  std::optional<Session> Finish(int mode) const;

 private:
  const Call &call_;
  const bool sessionless_;
  const bool owned_;
  Session current_;
};

}  // namespace custor

#endif  // CUSTOR_LIB_QUERIES_READ_SESSION_H_
