// The command service: decodes one request, runs its command against the databases and sessions, and
// answers with the reply document. Everything but HTTP itself.
#ifndef CUSTOR_SERVER_SERVICE_H_
#define CUSTOR_SERVER_SERVICE_H_

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

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
};

// Who sent a request, as the HTTP layer knows it: the name of the access key it carried (empty when
// keys are not checked) and the client's address.
struct Caller {
  std::string key_name;
  std::string address;
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
  // Answers one request target of `caller`.
  Response Handle(std::string_view target, const Caller& caller = {});
  // Answers a request refused for want of a valid access key: HTTP 401 with the access-denied failure,
  // and the request's log line; nothing else is done.
  Response Refuse(std::string_view target);
  // Rolls back and closes every session and stops the expiry.
  void Stop();

  // How many writers wait for the write lock of a database (0 for a database not open).
  int WaitingWriters(std::string_view db);

 private:
  struct Outcome {
    Code code;
    std::string body;
  };
  Outcome Execute(Database* db, const Request& request);
  Outcome ExecuteInSession(Database* db, const Request& request);
  Outcome ExecuteSessionless(Database* db, const Request& request);
  // Runs a verb on a transaction; on success `line` or `nodes` describe the reply.
  Code Run(Transaction* transaction, const Request& request, std::string* nodes);
  static std::string SuccessReply(const Request& request, const std::string& nodes,
                                  const SessionIdentity* who);
  void ExpireLoop();

  const ServiceOptions options_;
  Catalog catalog_;
  SessionTable sessions_;
  RequestLog log_;
  std::atomic<uint64_t> sessionless_owner_{0};

  std::mutex expiry_mu_;
  std::condition_variable expiry_wake_;
  bool stopping_ = false;
  std::thread expiry_;
};

}  // namespace corvane

#endif  // CUSTOR_SERVER_SERVICE_H_
