#include "service.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <new>
#include <system_error>

#include "memory.h"

namespace corvane {

namespace {

// A request target from which on the memory that the request freed is given back to the system: the
// expiry thread gives back the pages freed inside the heaps one to two periods (at most two seconds)
// later, once the HTTP layer has freed the request's buffers too, and at most once a period however
// many large requests come.
constexpr size_t kLargeRequestBytes = size_t{1} << 20;

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

// A query's reply: its nodes, or the message that it selected nothing.
std::string SuccessReply(const Selection& selection, const SessionIdentity* who) {
  if (selection.items.empty()) return WriteMessageReply(SuccessLine(Verb::kXql), who);
  return WriteResultReply(WriteSelection(selection), who);
}

// Calls the test seam around a command, also when the command throws.
class HookedCommand {
 public:
  explicit HookedCommand(const std::function<void(bool)>& hook) : hook_(hook) {
    if (hook_) hook_(true);
  }
  ~HookedCommand() {
    if (hook_) hook_(false);
  }
  HookedCommand(const HookedCommand&) = delete;
  HookedCommand& operator=(const HookedCommand&) = delete;

 private:
  const std::function<void(bool)>& hook_;
};

// What the exception being handled says about a failure inside a request.
std::string FailureDetail() {
  try {
    throw;
  } catch (const std::bad_alloc&) {
    return "out of memory";
  } catch (const std::system_error& e) {
    return std::string("resource unavailable: ") + e.what();
  } catch (const std::exception& e) {
    return std::string("unexpected failure: ") + e.what();
  } catch (...) {
    return "unexpected failure";
  }
}

}  // namespace

Service::Service(ServiceOptions options)
    : options_(std::move(options)),
      catalog_(options_.data_dir, options_.auto_create),
      sessions_(options_.max_sessions, options_.session_timeout, transaction_settings()) {}

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

void Service::BeginStop() { catalog_.CloseWriteLocks(); }

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
  // Checks a few times per time-out, so that an idle session ends soon after its time is up; gives
  // back the memory of large requests.
  auto period = std::clamp(sessions_.idle_timeout() / 4, std::chrono::milliseconds(10),
                           std::chrono::milliseconds(1000));
  std::unique_lock lock(expiry_mu_);
  while (!expiry_wake_.wait_for(lock, period, [this] { return stopping_; })) {
    lock.unlock();
    sessions_.ExpireIdle(SessionTable::Clock::now());
    if (trim_countdown_ > 0 && --trim_countdown_ == 0) ReleaseFreedMemory();
    lock.lock();
  }
}

int Service::WaitingWriters(std::string_view name) {
  Database* db = catalog_.Get(name);
  return db ? db->write_lock().waiting() : 0;
}

Service::Response Service::Handle(std::string_view target, const Caller& caller) noexcept {
  Request request;
  Response response{200, {}};
  Code code = Code::kUnknownError;
  try {
    request = DecodeRequest(target);
    if (!request.collection) response.status = 404;
    HookedCommand hooked(options_.command_hook);
    Outcome outcome = Answer(request, caller);
    code = outcome.code;
    response.body = std::move(outcome.body);
  } catch (...) {
    try {
      // A request that names a valid session gets the session's unchanged identity back.
      std::optional<SessionIdentity> who;
      if (std::shared_ptr<Session> session = request.has_session ? SessionNamed(request) : nullptr) {
        std::lock_guard lock(session->mu);
        if (session->open && session->key == request.session_key) who = {request.session_id, session->key};
      }
      response.body = WriteFailureReply(code, who ? &*who : nullptr, FailureDetail());
    } catch (...) {
      response = Response{500, std::string()};
    }
  }
  log_.Write(request.database, request.command, CodeName(code));
  if (target.size() >= kLargeRequestBytes) trim_countdown_ = 2;
  return response;
}

Service::Response Service::Refuse(std::string_view target) {
  Request request = DecodeRequest(target);
  log_.Write(request.database, request.command, CodeName(Code::kAccessDenied));
  return {401, WriteFailureReply(Code::kAccessDenied, nullptr)};
}

Service::Outcome Service::Answer(const Request& request, const Caller& caller) {
  if (!request.collection || !request.valid) {
    return {Code::kInvalidRequest, WriteFailureReply(Code::kInvalidRequest, nullptr)};
  }
  std::string error;
  Database* db = catalog_.Get(request.database, &error);
  if (db == nullptr && !error.empty()) {
    // The database is there, or is to be made, but its file cannot be opened or created.
    const std::string detail = "cannot open database " + request.database + ": " + error;
    return {Code::kUnknownError, WriteFailureReply(Code::kUnknownError, nullptr, detail)};
  }
  if (db == nullptr) return {Code::kDatabaseNotFound, WriteFailureReply(Code::kDatabaseNotFound, nullptr)};
  return Execute(db, request, caller);
}

Service::Outcome Service::Execute(Database* db, const Request& request, const Caller& caller) {
  if (request.verb == Verb::kConnect) {
    std::shared_ptr<Session> session = sessions_.Open(db);
    if (!session) {
      sessions_.ExpireIdle(SessionTable::Clock::now());
      session = sessions_.Open(db);
    }
    if (!session) return {Code::kTooManySessions, WriteFailureReply(Code::kTooManySessions, nullptr)};
    std::lock_guard lock(session->mu);
    try {
      SessionIdentity who{std::to_string(session->id), session->key};
      return {Code::kOk, WriteMessageReply(SuccessLine(Verb::kConnect), &who)};
    } catch (...) {
      sessions_.Close(session.get());  // nobody learnt of it
      throw;
    }
  }
  return request.has_session ? ExecuteInSession(db, request, caller)
                             : ExecuteSessionless(db, request, caller);
}

std::shared_ptr<Session> Service::SessionNamed(const Request& request) const {
  uint64_t id = 0;
  const std::string& text = request.session_id;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), id);
  if (ec != std::errc() || end != text.data() + text.size()) return nullptr;
  return sessions_.Find(id);
}

Service::Outcome Service::ExecuteInSession(Database* db, const Request& request, const Caller& caller) {
  Outcome invalid{Code::kInvalidSession, WriteFailureReply(Code::kInvalidSession, nullptr)};
  std::shared_ptr<Session> session = SessionNamed(request);
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
    std::string closed = WriteMessageReply(SuccessLine(Verb::kDisconnect), nullptr);
    sessions_.Close(session.get());
    return {Code::kOk, std::move(closed)};
  }

  const SessionIdentity current{std::to_string(session->id), session->key};
  // The key changes with every successful command, a failure leaves it as it was. What a success
  // answers is made before the command runs, so that nothing can fail once it has changed anything.
  SessionIdentity next{current.id, SessionTable::NewKey()};
  std::string success =
      request.verb == Verb::kXql ? std::string() : WriteMessageReply(SuccessLine(request.verb), &next);
  Code code = Code::kUnknownError;
  std::string detail;
  try {
    Selection selection;
    code = Run(&session->transaction, request, Author{current.id, caller}, &selection, &detail);
    if (code == Code::kOk && request.verb == Verb::kXql) success = SuccessReply(selection, &next);
  } catch (...) {
    code = Code::kUnknownError;
    detail = FailureDetail();
  }
  session->last_used = SessionTable::Clock::now();
  if (code != Code::kOk) return {code, WriteFailureReply(code, &current, detail)};
  session->key = std::move(next.key);
  return {code, std::move(success)};
}

Service::Outcome Service::ExecuteSessionless(Database* db, const Request& request, const Caller& caller) {
  if (request.verb != Verb::kXql && request.verb != Verb::kProcess && request.verb != Verb::kDelete) {
    return {Code::kInvalidRequest, WriteFailureReply(Code::kInvalidRequest, nullptr)};
  }
  std::string success =
      request.verb == Verb::kXql ? std::string() : WriteMessageReply(SuccessLine(request.verb), nullptr);
  // A sessionless write is a transaction of its own, committed before the reply.
  Transaction transaction(db, kSessionlessOwners | ++sessionless_owner_, transaction_settings());
  Selection selection;
  std::string detail;
  const Author author{std::string(), caller};
  Code code = Run(&transaction, request, author, &selection, &detail);
  if (code == Code::kOk && request.verb != Verb::kXql) code = transaction.Commit(author, &detail);
  if (code != Code::kOk) return {code, WriteFailureReply(code, nullptr, detail)};
  if (request.verb == Verb::kXql) success = SuccessReply(selection, nullptr);
  return {code, std::move(success)};
}

Code Service::Run(Transaction* transaction, const Request& request, const Author& author,
                  Selection* selection, std::string* detail) {
  Operand operand;
  if (Code parsed = ParseOperand(request, options_.document_limits, &operand, detail); parsed != Code::kOk) {
    return parsed;
  }
  switch (request.verb) {
    case Verb::kXql:
      return transaction->Query(*operand.query, selection);
    case Verb::kProcess:
      return transaction->Process(std::move(*operand.document));
    case Verb::kDelete:
      return transaction->Delete(*operand.query);
    case Verb::kCommit:
      return transaction->Commit(author, detail);
    case Verb::kRollback:
      transaction->Rollback();
      return Code::kOk;
    case Verb::kConnect:
    case Verb::kDisconnect:
      break;
  }
  return Code::kInvalidRequest;
}

}  // namespace corvane
