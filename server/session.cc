#include "session.h"

#include <random>

namespace corvane {

std::string SessionTable::NewKey() {
  // std::random_device reads the kernel's random source on this platform: keys are not predictable
  // from earlier keys.
  static thread_local std::random_device source;
  uint64_t bits = (static_cast<uint64_t>(source()) << 32) | source();
  static constexpr char kHex[] = "0123456789abcdef";
  std::string key(16, '0');
  for (int i = 15; i >= 0; --i, bits >>= 4) key[i] = kHex[bits & 0xF];
  return key;
}

std::shared_ptr<Session> SessionTable::Open(Database* db) {
  std::lock_guard lock(mu_);
  if (sessions_.size() >= max_sessions_) return nullptr;
  auto session = std::make_shared<Session>(++last_id_, NewKey(), db, settings_);
  sessions_.emplace(session->id, session);
  return session;
}

std::shared_ptr<Session> SessionTable::Find(uint64_t id) const {
  std::lock_guard lock(mu_);
  auto it = sessions_.find(id);
  return it == sessions_.end() ? nullptr : it->second;
}

void SessionTable::Close(Session* session) {
  session->transaction.Rollback();
  session->open = false;
  std::lock_guard lock(mu_);
  sessions_.erase(session->id);
}

bool SessionTable::Expired(const Session& session, Clock::time_point now) const {
  return now - session.last_used > idle_timeout_;
}

void SessionTable::ExpireIdle(Clock::time_point now) {
  std::vector<std::shared_ptr<Session>> all;
  {
    std::lock_guard lock(mu_);
    for (const auto& [id, session] : sessions_) all.push_back(session);
  }
  for (const std::shared_ptr<Session>& session : all) {
    std::unique_lock lock(session->mu, std::try_to_lock);
    if (lock.owns_lock() && session->open && Expired(*session, now)) Close(session.get());
  }
}

void SessionTable::CloseAll() {
  std::vector<std::shared_ptr<Session>> all;
  {
    std::lock_guard lock(mu_);
    for (const auto& [id, session] : sessions_) all.push_back(session);
  }
  for (const std::shared_ptr<Session>& session : all) {
    std::lock_guard lock(session->mu);
    if (session->open) Close(session.get());
  }
}

size_t SessionTable::size() const {
  std::lock_guard lock(mu_);
  return sessions_.size();
}

}  // namespace corvane
