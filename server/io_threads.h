// The threads of the HTTP server. One thread runs the server's I/O, and a command runs in the handler
// that read its request: no hand-over between threads, and no thread for a connection that waits. A
// command may wait, though (for a database's write lock, up to the lock time-out). A watchdog looks every
// 10 ms while commands run (every 160 ms at the most while none does): when every thread that runs the
// I/O has been inside a command for a whole look and none has ended, it sets another thread to run the
// I/O, so that a command that waits holds up nobody else for long (20 ms, or 170 ms after a quiet time);
// when those are stuck at once too, each look sets on twice as many as the last.
// Threads that are no longer needed stop running the I/O and wait; those above the first two end after a
// while.
#ifndef CUSTOR_SERVER_IO_THREADS_H_
#define CUSTOR_SERVER_IO_THREADS_H_

#include <boost/asio/io_context.hpp>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <list>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace corvane {

class IoThreads {
 public:
  // At most `max_threads` threads run the I/O at once.
  IoThreads(boost::asio::io_context* io, size_t max_threads);
  ~IoThreads() { Join(); }
  IoThreads(const IoThreads&) = delete;
  IoThreads& operator=(const IoThreads&) = delete;

  // Starts the threads; false when they cannot be had.
  bool Start(std::string* error);
  // Waits for every thread to end, which they do once the io_context runs out of work.
  void Join();

  // Held by a handler while it runs a command.
  class Command {
   public:
    explicit Command(IoThreads* threads);
    ~Command();
    Command(const Command&) = delete;
    Command& operator=(const Command&) = delete;

   private:
    IoThreads* threads_;
  };

 private:
  void Run();
  void Watch();
  // Starts a thread; false when none can be had. Called with mu_ held.
  bool AddThread();
  // Takes the calling thread out when it is not needed; called with mu_ held.
  bool Retire();

  boost::asio::io_context* const io_;
  const size_t max_threads_;
  std::thread watchdog_;
  std::mutex mu_;  // guards the fields below
  std::condition_variable park_, watch_;
  std::list<std::thread> threads_;
  std::vector<std::thread> retired_;  // ended on their own, to be joined
  size_t running_ = 0;                // threads that run the I/O now
  size_t busy_ = 0;                   // of them, inside a command
  size_t wanted_ = 1;                 // threads that are to run the I/O
  size_t parked_ = 0;                 // threads waiting to be wanted
  uint64_t ended_ = 0;                // commands ended so far
  bool joining_ = false;
};

}  // namespace corvane

#endif  // CUSTOR_SERVER_IO_THREADS_H_
