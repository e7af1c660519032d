// The session a reader runs in: none (sessionless), the caller's, or one it opens and ends itself.
#ifndef CUSTOR_LIB_QUERIES_READ_SESSION_H_
#define CUSTOR_LIB_QUERIES_READ_SESSION_H_

#include <optional>
#include <string>
#include <string_view>

#include "core/call.h"
#include "core/session.h"

namespace custor {

// Where a reader runs.
class Reading {
 public:
  // Without any session: the _RO readers.
  static Reading Sessionless() { return Reading(nullptr, true); }
  // In a session of its own, which it opens and ends.
  static Reading OwnSession() { return Reading(nullptr, false); }
  // In the caller's session, with whose next identity the caller goes on.
  static Reading InSession(const Session &caller) { return Reading(&caller, false); }

  const Session *caller() const { return caller_; }
  bool sessionless() const { return sessionless_; }

 private:
  Reading(const Session *caller, bool sessionless) : caller_(caller), sessionless_(sessionless) {}
  const Session *caller_;
  bool sessionless_;
};

class ReadSession {
 public:
  // Sessionless: the fixed record, whose id and key are never sent. In the caller's session: that one.
  // Otherwise a new session from OpenSession.
  ReadSession(const Call &call, Reading reading);

  ReadSession(const ReadSession &) = delete;
  ReadSession &operator=(const ReadSession &) = delete;

  // A session of its own, which the reader ends; the caller's session is the caller's to end.
  bool owned() const { return owned_; }
  bool caller() const { return !sessionless_ && !owned_; }
  bool usable() const { return current_.usable(); }
  const Session &current() const { return current_; }

  // Sends `command`, carrying the current id and key in session mode, and returns the reply.
  std::string Send(std::string command) const;
  // In session mode, takes the identity announced by `reply` as the current session.
  void Refresh(std::string_view reply);
  // Commit or rollback and disconnect with the current identity.
  void End(custor::End end) const;
  // The last step of a read that went through: the caller's session goes back to the caller with the
  // current identity, a session of its own is ended with `end`; nothing is handed back otherwise.
  std::optional<Session> Finish(custor::End end) const;

 private:
  const Call &call_;
  const bool sessionless_;
  const bool owned_;
  Session current_;
};

}  // namespace custor

#endif  // CUSTOR_LIB_QUERIES_READ_SESSION_H_
