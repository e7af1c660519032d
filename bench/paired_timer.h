// Paired measurement of an operation against its reference: the two run in alternation, so that a
// change in the load of the shared machine falls on both alike. Work that stays in this thread is
// timed on the thread's CPU clock (other work on the machine does not count); work that waits for a
// server on the wall clock.
#ifndef CUSTOR_BENCH_PAIRED_TIMER_H_
#define CUSTOR_BENCH_PAIRED_TIMER_H_

#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <vector>

namespace custor::bench {

inline double Seconds(clockid_t clock) {
  timespec now{};
  clock_gettime(clock, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// For a benchmark registered with UseManualTime(): the iteration time is the operation's; counters
// "reference_us" (the reference's time per iteration), "ratio" (operation over reference, whole run)
// and "pair_ratio" (the median of the ratios of the single pairs, which a stall of the shared machine
// during a few pairs does not move). The order within a pair alternates, so neither side always
// finds the other's work just done.
class PairedTimer {
 public:
  enum Clock { kThreadCpu = CLOCK_THREAD_CPUTIME_ID, kWall = CLOCK_MONOTONIC };
  PairedTimer(benchmark::State &state, Clock clock) : state_(state), clock_(static_cast<clockid_t>(clock)) {}
  ~PairedTimer() {
    const double n = static_cast<double>(state_.iterations());
    if (n == 0 || reference_ <= 0) return;
    state_.counters["reference_us"] = benchmark::Counter(reference_ / n * 1e6);
    state_.counters["ratio"] = benchmark::Counter(operation_ / reference_);
    if (!pairs_.empty()) {
      std::nth_element(pairs_.begin(), pairs_.begin() + pairs_.size() / 2, pairs_.end());
      state_.counters["pair_ratio"] = benchmark::Counter(pairs_[pairs_.size() / 2]);
    }
  }

  template <typename Operation, typename Reference>
  void Run(Operation operation, Reference reference) {
    const bool operation_first = runs_++ % 2 == 0;
    const double t0 = Seconds(clock_);
    operation_first ? operation() : reference();
    const double t1 = Seconds(clock_);
    operation_first ? reference() : operation();
    const double t2 = Seconds(clock_);
    const double operation_time = operation_first ? t1 - t0 : t2 - t1;
    const double reference_time = operation_first ? t2 - t1 : t1 - t0;
    operation_ += operation_time;
    reference_ += reference_time;
    if (reference_time > 0) pairs_.push_back(operation_time / reference_time);
    state_.SetIterationTime(operation_time);
  }

 private:
  benchmark::State &state_;
  const clockid_t clock_;
  double operation_ = 0;
  double reference_ = 0;
  std::size_t runs_ = 0;
  std::vector<double> pairs_;
};

}  // namespace custor::bench

#endif  // CUSTOR_BENCH_PAIRED_TIMER_H_
