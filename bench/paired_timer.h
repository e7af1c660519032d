// Paired measurement of an operation against its reference: the two run in alternation, so that a
// change in the load of the shared machine falls on both alike. Work that stays in this thread is
// timed on the thread's CPU clock (other work on the machine does not count); work that waits for a
// server on the wall clock.
#ifndef CUSTOR_BENCH_PAIRED_TIMER_H_
#define CUSTOR_BENCH_PAIRED_TIMER_H_

#include <benchmark/benchmark.h>
#include <time.h>

namespace custor::bench {

inline double Seconds(clockid_t clock) {
  timespec now{};
  clock_gettime(clock, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// For a benchmark registered with UseManualTime(): the iteration time is the operation's; counters
// "reference_us" (the reference's time per iteration) and "ratio" (operation / reference).
class PairedTimer {
 public:
  enum Clock { kThreadCpu = CLOCK_THREAD_CPUTIME_ID, kWall = CLOCK_MONOTONIC };
  PairedTimer(benchmark::State &state, Clock clock) : state_(state), clock_(static_cast<clockid_t>(clock)) {}
  ~PairedTimer() {
    const double n = static_cast<double>(state_.iterations());
    if (n == 0 || reference_ <= 0) return;
    state_.counters["reference_us"] = benchmark::Counter(reference_ / n * 1e6);
    state_.counters["ratio"] = benchmark::Counter(operation_ / reference_);
  }

  template <typename Operation, typename Reference>
  void Run(Operation operation, Reference reference) {
    const double t0 = Seconds(clock_);
    operation();
    const double t1 = Seconds(clock_);
    reference();
    const double t2 = Seconds(clock_);
    operation_ += t1 - t0;
    reference_ += t2 - t1;
    state_.SetIterationTime(t1 - t0);
  }

 private:
  benchmark::State &state_;
  const clockid_t clock_;
  double operation_ = 0;
  double reference_ = 0;
};

}  // namespace custor::bench

#endif  // CUSTOR_BENCH_PAIRED_TIMER_H_
