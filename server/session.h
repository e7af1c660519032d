// Sessions: ids, keys that change with every successful command, the idle time-out and the limit on
// open sessions. Each session carries its transaction.
#ifndef CUSTOR_SERVER_SESSION_H_
#define CUSTOR_SERVER_SESSION_H_

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "transaction.h"

namespace corvane {

struct Session {
  using Clock = std::chrono::steady_clock;

  Session(uint64_t session_id, std::string first_key, Database* db, TransactionSettings settings)
      : id(session_id), key(std::move(first_key)), transaction(db, session_id, settings) {}

  const uint64_t id;
  std::mutex mu;  // one command of the session at a time; guards the fields below
  std::string key;
  Clock::time_point last_used = Clock::now();
  bool open = true;
  Transaction transaction;
};

class SessionTable {
 public:
  using Clock = Session::Clock;

  SessionTable(size_t max_sessions, std::chrono::milliseconds idle_timeout, TransactionSettings settings)
      : max_sessions_(max_sessions), idle_timeout_(idle_timeout), settings_(settings) {}

  // Opens a session on `db`; null when the limit is reached.
  std::shared_ptr<Session> Open(Database* db);
  // The open session with this id, or null. The caller locks the session and checks `open`.
  std::shared_ptr<Session> Find(uint64_t id) const;
  // Rolls back and removes a session; the caller holds its lock.
  void Close(Session* session);
  // Whether a session (whose lock the caller holds) has been idle past the time-out.
  bool Expired(const Session& session, Clock::time_point now) const;
  // Closes every session idle past the time-out, skipping those busy with a command.
  void ExpireIdle(Clock::time_point now);
  // Closes every session (at shutdown).
  void CloseAll();

  size_t size() const;
  std::chrono::milliseconds idle_timeout() const { return idle_timeout_; }

  // A fresh session key: 16 lower-case hex digits from the system's random source.
  static std::string NewKey();

 private:
  const size_t max_sessions_;
  const std::chrono::milliseconds idle_timeout_;
  const TransactionSettings settings_;
  mutable std::mutex mu_;  // guards the fields below
  uint64_t last_id_ = 0;
  std::unordered_map<uint64_t, std::shared_ptr<Session>> sessions_;
};

}  // namespace corvane

#endif  // CUSTOR_SERVER_SESSION_H_
