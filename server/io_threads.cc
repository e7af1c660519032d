#include "io_threads.h"

#include <algorithm>
#include <new>

namespace corvane {

namespace {

// How often the watchdog looks while commands run, and at the most while none does; and how many
// threads stay when idle: the one that runs the I/O and one ready to take over. Threads beyond them end
// after kIdleTime without being wanted.
constexpr std::chrono::milliseconds kWatchPeriod{10}, kIdleWatchPeriod{160};
constexpr size_t kMostRescued = 64;  // threads set on at one look
constexpr size_t kKeptThreads = 2;
constexpr std::chrono::seconds kIdleTime{10};

}  // namespace

IoThreads::IoThreads(boost::asio::io_context* io, size_t max_threads)
    : io_(io), max_threads_(std::max(max_threads, kKeptThreads)) {}

bool IoThreads::AddThread() {
  try {
    threads_.emplace_back();
    threads_.back() = std::thread(&IoThreads::Run, this);
    return true;
  } catch (const std::exception&) {
    if (!threads_.empty() && !threads_.back().joinable()) threads_.pop_back();
    return false;
  }
}

bool IoThreads::Start(std::string* error) {
  std::lock_guard lock(mu_);
  while (threads_.size() < kKeptThreads && AddThread()) {
  }
  try {
    watchdog_ = std::thread(&IoThreads::Watch, this);
  } catch (const std::exception& e) {
    *error = std::string("cannot start a thread: ") + e.what();
    return false;
  }
  if (threads_.empty()) *error = "cannot start a thread";
  return !threads_.empty();
}

IoThreads::Command::Command(IoThreads* threads) : threads_(threads) {
  std::lock_guard lock(threads_->mu_);
  ++threads_->busy_;
}

IoThreads::Command::~Command() {
  std::lock_guard lock(threads_->mu_);
  --threads_->busy_;
  ++threads_->ended_;
  // The thread that ran this command goes on with the I/O: one that was set on for it is no longer needed.
  threads_->wanted_ = std::min(threads_->wanted_, threads_->busy_ + 1);
}

void IoThreads::Run() {
  std::unique_lock lock(mu_);
  for (;;) {
    while (!joining_ && running_ >= wanted_) {
      ++parked_;
      bool wanted = park_.wait_for(lock, kIdleTime, [this] { return joining_ || running_ < wanted_; });
      --parked_;
      if (!wanted && threads_.size() > kKeptThreads && Retire()) return;
    }
    ++running_;
    lock.unlock();
    try {
      io_->run_one();
    } catch (...) {
      // A handler failed (no memory, say): what it held is gone, its connection with it; the others go on.
    }
    lock.lock();
    --running_;
    if (io_->stopped()) return;
  }
}

bool IoThreads::Retire() {
  auto self = std::find_if(threads_.begin(), threads_.end(),
                           [](const std::thread& t) { return t.get_id() == std::this_thread::get_id(); });
  try {
    retired_.push_back(std::move(*self));
  } catch (const std::bad_alloc&) {
    return false;  // stays, for want of room to leave
  }
  threads_.erase(self);
  return true;
}

void IoThreads::Watch() {
  std::unique_lock lock(mu_);
  bool stuck_before = false, rescued_before = false;
  size_t rescue = 1;
  uint64_t ended_before = ended_;
  std::chrono::milliseconds period = kWatchPeriod;
  while (!watch_.wait_for(lock, period, [this] { return joining_; })) {
    // Every thread that runs the I/O is inside a command, and none has ended since the last look.
    bool stuck = running_ > 0 && busy_ == running_ && ended_ == ended_before;
    bool rescued = stuck && stuck_before && wanted_ <= busy_;
    if (rescued) {
      // When the threads set on are stuck at once too (a crowd of writers waiting for one lock), each
      // look sets on twice as many as the last, so that the others' requests are soon reached.
      rescue = rescued_before ? std::min(2 * rescue, kMostRescued) : 1;
      wanted_ = busy_ + rescue;
      const size_t missing = wanted_ - running_;
      for (size_t i = 0; i < std::min(missing, parked_); ++i) park_.notify_one();
      // Threads that cannot be had now are no failure: the commands that run end in time.
      for (size_t i = parked_; i < missing && threads_.size() < max_threads_ && AddThread(); ++i) {
      }
    }
    rescued_before = rescued;
    // An idle server is looked at ever more rarely; the first command it runs brings the looks back.
    period = busy_ > 0 || ended_ != ended_before ? kWatchPeriod : std::min(2 * period, kIdleWatchPeriod);
    stuck_before = stuck;
    ended_before = ended_;
    std::vector<std::thread> retired;
    retired.swap(retired_);
    lock.unlock();
    for (std::thread& thread : retired) thread.join();
    lock.lock();
  }
}

void IoThreads::Join() {
  std::list<std::thread> threads;
  {
    std::lock_guard lock(mu_);
    joining_ = true;
    threads.swap(threads_);
  }
  park_.notify_all();
  watch_.notify_all();
  if (watchdog_.joinable()) watchdog_.join();
  for (std::thread& thread : threads) thread.join();
  for (std::thread& thread : retired_) thread.join();
  retired_.clear();
}

}  // namespace corvane
