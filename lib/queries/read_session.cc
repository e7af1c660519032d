#include "queries/read_session.h"

#include "core/transport.h"

namespace custor {
namespace {

Session Choose(const Call &call, Reading reading) {
  if (reading.sessionless()) return SessionlessRecord();
  if (reading.caller() != nullptr) return *reading.caller();
  return OpenSession(call);
}

}  // namespace

ReadSession::ReadSession(const Call &call, Reading reading)
    : call_(call),
      sessionless_(reading.sessionless()),
      owned_(!reading.sessionless() && reading.caller() == nullptr),
      current_(Choose(call, reading)) {}

std::string ReadSession::Send(std::string command) const {
  return ExecuteServerCommand(call_, sessionless_ ? command : InSession(std::move(command), current_));
}

void ReadSession::Refresh(std::string_view reply) {
  if (!sessionless_) current_ = ParseSessionReply(reply);
}

void ReadSession::End(custor::End end) const { EndSession(current_, call_, end); }

std::optional<Session> ReadSession::Finish(custor::End end) const {
  if (caller()) return current_;
  if (owned_) End(end);
  return std::nullopt;
}

}  // namespace custor
