// The command service: decodes one request, runs its command against the databases and sessions, and
// answers with the reply document. Everything but HTTP itself.
#ifndef CUSTOR_SERVER_SERVICE_H_
#define CUSTOR_SERVER_SERVICE_H_

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "audit.h"
#include "catalog.h"
#include "reply.h"
#include "request.h"
#include "request_log.h"
#include "session.h"

namespace corvane {

struct ServiceOptions {
  std::string data_dir = ".";
  std::vector<std::string> create_databases;
  bool auto_create = false;
  std::chrono::milliseconds session_timeout{120'000};
  std::chrono::milliseconds lock_timeout{10'000};
  size_t max_sessions = 1024;
  std::string request_log;  // empty: no log
  // Benchmark switch: false turns off the check of a transaction's reads at its first write (and so
  // serializable changes), to measure what the check costs.
  bool check_reads = true;
  // What one submitted document may cost.
  DocumentLimits document_limits;
  // Test seam: called on the serving thread right before a request's command runs (true) and right
  // after (false), e.g. to make an allocation inside it fail.
  std::function<void(bool starting)> command_hook;
};

class Service {
 public:
  struct Response {
    int status;  // HTTP status
    std::string body;
  };

  explicit Service(ServiceOptions options);
  ~Service();
  Service(const Service&) = delete;
  Service& operator=(const Service&) = delete;

  // Creates the databases asked for, opens the request log and starts expiring idle sessions.
  bool Start(std::string* error);
  // Answers one request target of `caller`. A failure inside the request (no memory, a resource that
  // cannot be had, an unexpected exception) fails that request alone with KIVXXE8610 and a text that says
  // what happened; when not even that reply can be made, the answer is status 500 without a body.
  Response Handle(std::string_view target, const Caller& caller = {}) noexcept;
  // Answers a request refused for want of a valid access key: HTTP 401 with the access-denied failure,
  // and the request's log line; nothing else is done.
  Response Refuse(std::string_view target);
  // Starts the shutdown: writes that wait for a write lock fail now with KIVXLE0060, and so does every
  // write that would have to wait for one. Called before the connections are closed.
  void BeginStop();
  // Rolls back and closes every session and stops the expiry.
  void Stop();

  // How many writers wait for the write lock of a database (0 for a database not open).
  int WaitingWriters(std::string_view db);

 private:
  struct Outcome {
    Code code;
    std::string body;
  };
  Outcome Execute(Database* db, const Request& request, const Caller& caller);
  Outcome ExecuteInSession(Database* db, const Request& request, const Caller& caller);
  Outcome ExecuteSessionless(Database* db, const Request& request, const Caller& caller);
  // The session whose id the request names (its key still to be checked), or null.
  std::shared_ptr<Session> SessionNamed(const Request& request) const;
  Outcome Answer(const Request& request, const Caller& caller);
  // Runs a verb on a transaction: a query's nodes go to `selection`; a failure may say more in `detail`.
  Code Run(Transaction* transaction, const Request& request, const Author& author, Selection* selection,
           std::string* detail);
  TransactionSettings transaction_settings() const { return {options_.lock_timeout, options_.check_reads}; }
  // Ends idle sessions, and gives the memory of large requests back to the system.
  void ExpireLoop();

  const ServiceOptions options_;
  Catalog catalog_;
  SessionTable sessions_;
  RequestLog log_;
  std::atomic<uint64_t> sessionless_owner_{0};
  // Periods of the expiry until the memory that a large request freed is given back; 0: none due.
  std::atomic<int> trim_countdown_{0};

  std::mutex expiry_mu_;
  std::condition_variable expiry_wake_;
  bool stopping_ = false;
  std::thread expiry_;
};

}  // namespace corvane

#endif  // CUSTOR_SERVER_SERVICE_H_
