#include "worker_pool.h"

#include <algorithm>
#include <new>

namespace corvane {

WorkerPool::WorkerPool(size_t min_threads, size_t max_threads, std::chrono::milliseconds idle_time)
    : min_threads_(std::max<size_t>(min_threads, 1)),
      max_threads_(std::max(max_threads, min_threads_)),
      idle_time_(idle_time) {}

WorkerPool::~WorkerPool() { Stop(); }

bool WorkerPool::AddThread() {
  try {
    threads_.emplace_back();
    threads_.back() = std::thread(&WorkerPool::Work, this);
    return true;
  } catch (const std::exception&) {
    if (!threads_.empty() && !threads_.back().joinable()) threads_.pop_back();
    return false;
  }
}

bool WorkerPool::Start(std::string* error) {
  std::lock_guard lock(mu_);
  while (threads_.size() < min_threads_ && AddThread()) {
  }
  if (threads_.empty()) *error = "cannot start a worker thread";
  return !threads_.empty();
}

bool WorkerPool::Post(std::function<void()> job) {
  {
    std::lock_guard lock(mu_);
    if (stopping_) return false;
    jobs_.push_back(std::move(job));
    // A thread that cannot be had now is no failure: the job waits for one of the others.
    if (jobs_.size() > idle_ && threads_.size() < max_threads_) AddThread();
  }
  wake_.notify_one();
  JoinRetired();
  return true;
}

size_t WorkerPool::threads() {
  std::lock_guard lock(mu_);
  return threads_.size();
}

void WorkerPool::JoinRetired() {
  std::vector<std::thread> retired;
  {
    std::lock_guard lock(mu_);
    retired.swap(retired_);
  }
  for (std::thread& thread : retired) thread.join();
}

void WorkerPool::Work() {
  std::unique_lock lock(mu_);
  for (;;) {
    ++idle_;
    bool woken = wake_.wait_for(lock, idle_time_, [this] { return stopping_ || !jobs_.empty(); });
    --idle_;
    if (stopping_) return;
    if (!woken) {
      if (threads_.size() <= min_threads_) continue;
      // Idle too long above the minimum: this thread leaves the pool, to be joined by another.
      auto self = std::find_if(threads_.begin(), threads_.end(),
                               [](const std::thread& t) { return t.get_id() == std::this_thread::get_id(); });
      try {
        retired_.push_back(std::move(*self));
      } catch (const std::bad_alloc&) {
        continue;  // stays, for want of room to leave
      }
      threads_.erase(self);
      return;
    }
    std::function<void()> job = std::move(jobs_.front());
    jobs_.pop_front();
    lock.unlock();
    try {
      job();
    } catch (...) {
      // The job answers for its own failures; one that escapes ends that job only.
    }
    job = nullptr;  // what the job holds goes before the thread waits again
    lock.lock();
  }
}

void WorkerPool::Stop() {
  std::list<std::thread> threads;
  std::deque<std::function<void()>> dropped;
  {
    std::lock_guard lock(mu_);
    stopping_ = true;
    threads.swap(threads_);
    dropped.swap(jobs_);
  }
  wake_.notify_all();
  dropped.clear();
  for (std::thread& thread : threads) thread.join();
  JoinRetired();
}

}  // namespace corvane
