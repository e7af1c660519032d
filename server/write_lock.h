// The write lock of one database: held by one owner (a session, or one sessionless write) at a time;
// others wait for it up to a deadline.
#ifndef CUSTOR_SERVER_WRITE_LOCK_H_
#define CUSTOR_SERVER_WRITE_LOCK_H_

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace corvane {

class WriteLock {
 public:
  using Clock = std::chrono::steady_clock;

  // Takes the lock for `owner` (not 0), waiting until `deadline`. True when `owner` holds it; false at
  // once, and for every waiter, once the lock is closed.
  bool Acquire(uint64_t owner, Clock::time_point deadline);
  // At shutdown: nobody takes the lock any more, and whoever waits for it gives up now.
  void Close();
  // Gives the lock up if `owner` holds it.
  void Release(uint64_t owner);
  uint64_t owner() const;
  // How many owners are waiting for the lock.
  int waiting() const;

 private:
  mutable std::mutex mu_;
  std::condition_variable released_;
  uint64_t owner_ = 0;
  int waiting_ = 0;
  bool closed_ = false;
};

}  // namespace corvane

#endif  // CUSTOR_SERVER_WRITE_LOCK_H_
