#include "service.h"

#include <algorithm>
#include <charconv>
#include <filesystem>

namespace corvane {

namespace {

// Owners of sessionless writes lie above every session id.
constexpr uint64_t kSessionlessOwners = uint64_t{1} << 63;

std::string_view SuccessLine(Verb verb) {
  switch (verb) {
    case Verb::kConnect:
      return "Session opened";
    case Verb::kCommit:
      return "Transaction committed";
    case Verb::kRollback:
      return "Transaction rolled back";
    case Verb::kDisconnect:
      return "Session closed";
    case Verb::kProcess:
      return "Document stored";
    case Verb::kDelete:
      return "Document deleted";
    case Verb::kXql:
      return "XQL request processed, no object returned";
  }
  return {};
}

}  // namespace

Service::Service(ServiceOptions options)
    : options_(std::move(options)),
      catalog_(options_.data_dir, options_.auto_create),
      sessions_(options_.max_sessions, options_.session_timeout, options_.lock_timeout) {}

Service::~Service() { Stop(); }

bool Service::Start(std::string* error) {
  // The data directory is made on start, so that a first run needs nothing prepared by hand.
  std::error_code made;
  std::filesystem::create_directories(options_.data_dir, made);
  if (made) {
    *error = "cannot create data directory " + options_.data_dir + ": " + made.message();
    return false;
  }
  for (const std::string& name : options_.create_databases) {
    if (!catalog_.Create(name, error)) {
      *error = "cannot create database \"" + name + "\": " + *error;
      return false;
    }
  }
  if (!options_.request_log.empty() && !log_.Open(options_.request_log)) {
    *error = "cannot open request log " + options_.request_log;
    return false;
  }
  expiry_ = std::thread([this] { ExpireLoop(); });
  return true;
}

void Service::Stop() {
  {
    std::lock_guard lock(expiry_mu_);
    if (stopping_) return;
    stopping_ = true;
  }
  expiry_wake_.notify_all();
  if (expiry_.joinable()) expiry_.join();
  sessions_.CloseAll();
}

void Service::ExpireLoop() {
  // Checks a few times per time-out, so that an idle session ends soon after its time is up.
  auto period = std::clamp(sessions_.idle_timeout() / 4, std::chrono::milliseconds(10),
                           std::chrono::milliseconds(1000));
  std::unique_lock lock(expiry_mu_);
  while (!expiry_wake_.wait_for(lock, period, [this] { return stopping_; })) {
    lock.unlock();
    sessions_.ExpireIdle(SessionTable::Clock::now());
    lock.lock();
  }
}

int Service::WaitingWriters(std::string_view name) {
  Database* db = catalog_.Get(name);
  return db ? db->write_lock().waiting() : 0;
}

Service::Response Service::Handle(std::string_view target, const Caller& /*caller*/) {
  Request request = DecodeRequest(target);
  Response response{200, {}};
  Code code;
  if (!request.collection) {
    code = Code::kInvalidRequest;
    response.status = 404;
    response.body = WriteFailureReply(code, nullptr);
  } else if (!request.valid) {
    code = Code::kInvalidRequest;
    response.body = WriteFailureReply(code, nullptr);
  } else if (Database* db = catalog_.Get(request.database); db == nullptr) {
    code = Code::kDatabaseNotFound;
    response.body = WriteFailureReply(code, nullptr);
  } else {
    Outcome outcome = Execute(db, request);
    code = outcome.code;
    response.body = std::move(outcome.body);
  }
  log_.Write(request.database, request.command, CodeName(code));
  return response;
}

Service::Response Service::Refuse(std::string_view target) {
  Request request = DecodeRequest(target);
  log_.Write(request.database, request.command, CodeName(Code::kAccessDenied));
  return {401, WriteFailureReply(Code::kAccessDenied, nullptr)};
}

Service::Outcome Service::Execute(Database* db, const Request& request) {
  if (request.verb == Verb::kConnect) {
    std::shared_ptr<Session> session = sessions_.Open(db);
    if (!session) {
      sessions_.ExpireIdle(SessionTable::Clock::now());
      session = sessions_.Open(db);
    }
    if (!session) return {Code::kTooManySessions, WriteFailureReply(Code::kTooManySessions, nullptr)};
    std::lock_guard lock(session->mu);
    SessionIdentity who{std::to_string(session->id), session->key};
    return {Code::kOk, WriteMessageReply(SuccessLine(Verb::kConnect), &who)};
  }
  return request.has_session ? ExecuteInSession(db, request) : ExecuteSessionless(db, request);
}

Service::Outcome Service::ExecuteInSession(Database* db, const Request& request) {
  Outcome invalid{Code::kInvalidSession, WriteFailureReply(Code::kInvalidSession, nullptr)};
  uint64_t id = 0;
  const std::string& text = request.session_id;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), id);
  if (ec != std::errc() || end != text.data() + text.size()) return invalid;
  std::shared_ptr<Session> session = sessions_.Find(id);
  if (!session) return invalid;

  std::lock_guard lock(session->mu);
  if (!session->open || session->key != request.session_key || session->transaction.database() != db) {
    return invalid;
  }
  auto now = SessionTable::Clock::now();
  if (sessions_.Expired(*session, now)) {
    sessions_.Close(session.get());
    return invalid;
  }
  if (request.verb == Verb::kDisconnect) {
    sessions_.Close(session.get());
    return {Code::kOk, WriteMessageReply(SuccessLine(Verb::kDisconnect), nullptr)};
  }

  std::string nodes;
  Code code = Run(&session->transaction, request, &nodes);
  // The key changes with every successful command; a failure leaves it as it was.
  if (code == Code::kOk) session->key = SessionTable::NewKey();
  session->last_used = SessionTable::Clock::now();
  SessionIdentity who{std::to_string(session->id), session->key};
  if (code != Code::kOk) return {code, WriteFailureReply(code, &who)};
  return {code, SuccessReply(request, nodes, &who)};
}

Service::Outcome Service::ExecuteSessionless(Database* db, const Request& request) {
  if (request.verb != Verb::kXql && request.verb != Verb::kProcess && request.verb != Verb::kDelete) {
    return {Code::kInvalidRequest, WriteFailureReply(Code::kInvalidRequest, nullptr)};
  }
  // A sessionless write is a transaction of its own, committed before the reply.
  Transaction transaction(db, kSessionlessOwners | ++sessionless_owner_, options_.lock_timeout);
  std::string nodes;
  Code code = Run(&transaction, request, &nodes);
  if (code == Code::kOk && request.verb != Verb::kXql) code = transaction.Commit();
  if (code != Code::kOk) return {code, WriteFailureReply(code, nullptr)};
  return {code, SuccessReply(request, nodes, nullptr)};
}

Code Service::Run(Transaction* transaction, const Request& request, std::string* nodes) {
  switch (request.verb) {
    case Verb::kXql:
      return transaction->Query(request.value, nodes);
    case Verb::kProcess:
      return transaction->Process(request.value);
    case Verb::kDelete:
      return transaction->Delete(request.value);
    case Verb::kCommit:
      return transaction->Commit();
    case Verb::kRollback:
      transaction->Rollback();
      return Code::kOk;
    case Verb::kConnect:
    case Verb::kDisconnect:
      break;
  }
  return Code::kInvalidRequest;
}

std::string Service::SuccessReply(const Request& request, const std::string& nodes,
                                  const SessionIdentity* who) {
  if (request.verb == Verb::kXql && !nodes.empty()) return WriteResultReply(nodes, who);
  return WriteMessageReply(SuccessLine(request.verb), who);
}

}  // namespace corvane
