// The threads that run commands, apart from the threads that do the network I/O: a command may wait
// for a database's write lock, and must not hold up other clients while it does. The pool starts with
// `min_threads`, starts another thread when a job comes and none is idle (up to `max_threads`), and lets
// threads above the minimum end after `idle_time` without work.
#ifndef CUSTOR_SERVER_WORKER_POOL_H_
#define CUSTOR_SERVER_WORKER_POOL_H_

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <list>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace corvane {

class WorkerPool {
 public:
  WorkerPool(size_t min_threads, size_t max_threads, std::chrono::milliseconds idle_time);
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  // Starts the first threads; false when not one could be had.
  bool Start(std::string* error);
  // Queues `job`. When no thread can be added, the job waits for a busy one. False after Stop(): the job
  // is dropped. Throws what allocating the queue entry throws.
  bool Post(std::function<void()> job);
  // Drops the jobs not begun and waits for the running ones to end.
  void Stop();
  // Threads now in the pool.
  size_t threads();

 private:
  void Work();
  // Starts a thread; false when none can be had. Called with mu_ held.
  bool AddThread();
  void JoinRetired();

  const size_t min_threads_, max_threads_;
  const std::chrono::milliseconds idle_time_;
  std::mutex mu_;  // guards the fields below
  std::condition_variable wake_;
  std::deque<std::function<void()>> jobs_;
  std::list<std::thread> threads_;
  std::vector<std::thread> retired_;  // ended on their own, to be joined
  size_t idle_ = 0;
  bool stopping_ = false;
};

}  // namespace corvane

#endif  // CUSTOR_SERVER_WORKER_POOL_H_
