#include "queries/read_session.h"

#include "core/transport.h"

namespace custor {
namespace {

Session Choose(const Call &call, const Session *callerSession, bool sessionless) {
  if (sessionless) return SessionlessRecord();
  if (callerSession != nullptr) return *callerSession;
  return createSession(call);
}

}  // namespace

ReadSession::ReadSession(const Call &call, const Session *callerSession, bool sessionless)
    : call_(call),
      sessionless_(sessionless),
      owned_(!sessionless && callerSession == nullptr),
      current_(Choose(call, callerSession, sessionless)) {}

std::string ReadSession::Send(std::string command) const {
  if (!sessionless_) command += SessionTail(current_);
  return ExecuteServerCommand(call_, command);
}

void ReadSession::Refresh(std::string_view reply) {
  if (!sessionless_) current_ = ParseSessionReply(reply);
}

void ReadSession::End(int mode) const { endTransaction(&current_, call_, mode); }

std::optional<Session> ReadSession::Finish(int mode) const {
  if (caller()) return current_;
  if (owned_) End(mode);
  return std::nullopt;
}

}  // namespace custor
