#include "write_lock.h"

namespace corvane {

bool WriteLock::Acquire(uint64_t owner, Clock::time_point deadline) {
  std::unique_lock lock(mu_);
  ++waiting_;
  bool free = released_.wait_until(lock, deadline, [&] { return closed_ || owner_ == 0 || owner_ == owner; });
  --waiting_;
  if (!free || (closed_ && owner_ != owner)) return false;
  owner_ = owner;
  return true;
}

void WriteLock::Close() {
  {
    std::lock_guard lock(mu_);
    closed_ = true;
  }
  released_.notify_all();
}

void WriteLock::Release(uint64_t owner) {
  {
    std::lock_guard lock(mu_);
    if (owner_ != owner) return;
    owner_ = 0;
  }
  released_.notify_all();
}

uint64_t WriteLock::owner() const {
  std::lock_guard lock(mu_);
  return owner_;
}

}  // namespace corvane

namespace corvane {

int WriteLock::waiting() const {
  std::lock_guard lock(mu_);
  return waiting_;
}

}  // namespace corvane
