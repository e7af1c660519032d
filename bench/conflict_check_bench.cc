// What serializable changes cost when nobody else writes: addACE and modifyUser through libcustor.so
// against a corvaned that checks a transaction's reads at its first write (the default), paired with the
// same calls against a second corvaned started with --bench-unchecked-reads, on databases filled alike.
// The two sides alternate (PairedTimer, wall clock); "ratio" and "pair_ratio" are checked time over
// unchecked time. The wall clock carries each commit's fsync, whose time on a shared disk differs from
// one file to the other by more than the check could cost; so the CPU time that each server process
// spends on a call (all its threads) is measured as well: "cpu_ratio" and "cpu_pair_ratio" the same way,
// "cpu_us" and "cpu_reference_us" per call.
#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench/live_server.h"
#include "bench/paired_timer.h"
#include "custor/custor.h"
#include "e2e/corvaned_process.h"

namespace custor::bench {
namespace {

constexpr char kDatabase[] = "conflict";

// The server without the check, started on first use.
e2e::CorvanedProcess &Unchecked() {
  static e2e::CorvanedProcess server({"--bench-unchecked-reads"});
  return server;
}

// Points the request service at `server` and its access key; the other benchmarks of the program use
// Server(). Both sides of a pair switch alike, so the key file read again at each switch costs both the same.
void Use(const e2e::CorvanedProcess &server) {
  setenv("CUSTOR_PORT", std::to_string(server.port()).c_str(), 1);
  setenv("CUSTOR_KEY_FILE", server.key_file().c_str(), 1);
}

// The CPU time of a server process, all threads, in seconds.
class ServerCpu {
 public:
  explicit ServerCpu(const e2e::CorvanedProcess &server) {
    if (clock_getcpuclockid(server.pid(), &clock_) != 0) clock_ = CLOCK_MONOTONIC;
  }
  double Now() const { return Seconds(clock_); }

 private:
  clockid_t clock_{};
};

// Sums and pair ratios of the servers' CPU time, reported as counters.
class CpuPairs {
 public:
  explicit CpuPairs(benchmark::State &state) : state_(state) {}
  ~CpuPairs() {
    if (pairs_.empty() || reference_ <= 0) return;
    const double n = static_cast<double>(pairs_.size());
    std::nth_element(pairs_.begin(), pairs_.begin() + pairs_.size() / 2, pairs_.end());
    state_.counters["cpu_us"] = benchmark::Counter(operation_ / n * 1e6);
    state_.counters["cpu_reference_us"] = benchmark::Counter(reference_ / n * 1e6);
    state_.counters["cpu_ratio"] = benchmark::Counter(operation_ / reference_);
    state_.counters["cpu_pair_ratio"] = benchmark::Counter(pairs_[pairs_.size() / 2]);
  }
  // Adds one pair, once both of its sides have run.
  void Add(double operation, double reference) {
    operation_ += operation;
    reference_ += reference;
    if (reference > 0) pairs_.push_back(operation / reference);
  }

 private:
  benchmark::State &state_;
  double operation_ = 0, reference_ = 0;
  std::vector<double> pairs_;
};

bool Succeeded(char *result) {
  const bool ok = result != nullptr && std::strcmp(result, "0") == 0;
  std::free(result);
  return ok;
}

// On each server, once: ACL "acl" and user "user" in groups g00000 and g00001.
bool Fill() {
  for (const e2e::CorvanedProcess *server : {&Server(), &Unchecked()}) {
    Use(*server);
    if (!CreateGroups(kDatabase, "g", 2) || !CreateUserIn(kDatabase, "user", {Name("g", 0), Name("g", 1)})) {
      return false;
    }
    auto acl = std::make_unique<AclRecord>();
    if (!Succeeded(createACL(0, kDatabase, "acl", nullptr, acl.get(), 0, 0))) return false;
  }
  Use(Server());
  return true;
}

bool Filled() {
  static const bool filled = Fill();
  return filled;
}

// Pairs `call` (which answers the library's text) on the checking server against the same call on the
// other; `reset`, untimed, runs on both every 50 pairs.
template <typename Call, typename Reset>
void Pair(benchmark::State &state, Call call, Reset reset) {
  if (!Filled()) {
    state.SkipWithError("could not fill the databases");
    return;
  }
  bool ok = true;
  int pairs = 0;
  const ServerCpu checked_cpu(Server()), unchecked_cpu(Unchecked());
  // One side: the call on `server`, adding the CPU time that the server spent to `cpu`.
  auto side = [&](const e2e::CorvanedProcess &server, const ServerCpu &clock, double *cpu) {
    Use(server);
    const double start = clock.Now();
    ok = Succeeded(call(pairs)) && ok;
    *cpu = clock.Now() - start;
  };
  {
    PairedTimer timer(state, PairedTimer::kWall);
    CpuPairs cpu(state);
    for (auto _ : state) {
      if (pairs++ % 50 == 0) {
        for (const e2e::CorvanedProcess *server : {&Server(), &Unchecked()}) {
          Use(*server);
          ok = reset() && ok;
        }
      }
      double operation = 0, reference = 0;
      timer.Run([&] { side(Server(), checked_cpu, &operation); },
                [&] { side(Unchecked(), unchecked_cpu, &reference); });
      cpu.Add(operation, reference);
    }
  }
  Use(Server());
  if (!ok) state.SkipWithError("a call did not answer \"0\"");
}

// One more entry for the ACL; every 50 pairs it starts again from none.
void BM_AddAce(benchmark::State &state) {
  Pair(
      state,
      [](int n) { return addACE(0, kDatabase, "acl", ("entry" + std::to_string(n)).c_str(), "read", 0, 0); },
      [] {
        auto acl = std::make_unique<AclRecord>();
        return Succeeded(modifyACL(0, kDatabase, "acl", "acl", nullptr, acl.get(), 0, 0));
      });
}

// New data for the user, who stays in both groups.
void BM_ModifyUser(benchmark::State &state) {
  Pair(
      state,
      [](int n) {
        auto groups = std::make_unique<NameList>();
        groups->count = 2;
        const std::string g0 = Name("g", 0), g1 = Name("g", 1), data = "<d>" + std::to_string(n) + "</d>";
        groups->names[0] = const_cast<char *>(g0.c_str());
        groups->names[1] = const_cast<char *>(g1.c_str());
        return modifyUser(0, kDatabase, "user", data.c_str(), "user", groups.get(), 0, 0);
      },
      [] { return true; });
}

BENCHMARK(BM_AddAce)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ModifyUser)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace custor::bench
