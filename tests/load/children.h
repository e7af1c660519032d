// Agent processes of the load tests: children forked together, and a barrier that they share.
#ifndef CUSTOR_TESTS_LOAD_CHILDREN_H_
#define CUSTOR_TESTS_LOAD_CHILDREN_H_

#include <pthread.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace custor::load {

// Runs `body` in `n` child processes at once, so that no connection of the agent is shared across a
// fork; true when all of them exit with 0. The parent must not have used the agent since the server
// started.
template <typename Body>
bool InChildren(int n, Body body) {
  std::vector<pid_t> pids;
  for (int p = 0; p < n; ++p) {
    if (pids.emplace_back(fork()) == 0) std::_Exit(body(p));
  }
  bool all = true;
  for (pid_t pid : pids) {
    int status = 0;
    all = waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0 && all;
  }
  return all;
}

// A barrier for `count` processes forked after it was made: each Wait returns once all have come.
class SharedBarrier {
 public:
  explicit SharedBarrier(unsigned count) {
    void *memory =
        mmap(nullptr, sizeof(pthread_barrier_t), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) std::abort();
    barrier_ = static_cast<pthread_barrier_t *>(memory);
    pthread_barrierattr_t shared;
    pthread_barrierattr_init(&shared);
    pthread_barrierattr_setpshared(&shared, PTHREAD_PROCESS_SHARED);
    pthread_barrier_init(barrier_, &shared, count);
    pthread_barrierattr_destroy(&shared);
  }
  ~SharedBarrier() {
    pthread_barrier_destroy(barrier_);
    munmap(barrier_, sizeof *barrier_);
  }
  SharedBarrier(const SharedBarrier &) = delete;
  SharedBarrier &operator=(const SharedBarrier &) = delete;
  void Wait() { pthread_barrier_wait(barrier_); }

 private:
  pthread_barrier_t *barrier_;
};

}  // namespace custor::load

#endif  // CUSTOR_TESTS_LOAD_CHILDREN_H_
