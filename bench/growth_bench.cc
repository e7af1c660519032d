// How the cost of a call grows with the database, against corvaned (wall clock; the server works in
// its own process). getUserData reads every user, one request each: its time per user ("per_user")
// stays flat from 10 to 1000 users. deleteUser rewrites every group that refers to the user: its cost
// grows with the referring groups and not with the groups that do not refer to it.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "bench/live_server.h"
#include "custor/custor.h"
#include "custor/release.h"

namespace custor::bench {
namespace {

// Runs `fill` for `database` the first time it is asked for in this program.
template <typename Fill>
bool PrepareOnce(const std::string &database, Fill fill) {
  static std::set<std::string> done;
  return !done.insert(database).second || fill();
}

void BM_GetUserData(benchmark::State &state) {
  const int users = static_cast<int>(state.range(0));
  const std::string database = "userdata" + std::to_string(users);
  Server();
  if (!PrepareOnce(database, [&] { return CreateUsers(database, "user", users); })) {
    state.SkipWithError("could not fill the database");
    return;
  }
  bool complete = true;
  for (auto _ : state) {
    UserDataList *list = getUserData(0, database.c_str(), 0, 0);
    complete = complete && std::strcmp(list->status, "0") == 0 && list->count == users &&
               std::strcmp(list->userData[users - 1], ("Data of " + Name("user", users - 1)).c_str()) == 0;
    custor_free_user_data_list(list);
  }
  if (!complete) state.SkipWithError("getUserData did not read every user's data");
  state.counters["per_user"] =
      benchmark::Counter(static_cast<double>(users),
                         benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// A user in `referring` groups of a database that also holds `others` groups without a reference to it.
void BM_DeleteUser(benchmark::State &state) {
  const int referring = static_cast<int>(state.range(0));
  const int others = static_cast<int>(state.range(1));
  const std::string database = "delete" + std::to_string(referring) + "_" + std::to_string(others);
  Server();
  std::vector<std::string> groups;
  for (int i = 0; i < referring; ++i) groups.push_back(Name("ref", i));
  if (!PrepareOnce(database, [&] {
        return CreateGroups(database, "ref", referring) && CreateGroups(database, "other", others);
      })) {
    state.SkipWithError("could not fill the database");
    return;
  }
  bool deleted = true;
  for (auto _ : state) {
    state.PauseTiming();
    if (!CreateUserIn(database, "victim", groups)) {
      state.SkipWithError("could not store the user");
      break;
    }
    state.ResumeTiming();
    char *result = deleteUser(0, database.c_str(), "victim", 0, 0);
    deleted = deleted && std::strcmp(result, "0") == 0;
    std::free(result);
  }
  // The last referring group no longer refers to the user.
  GroupRecord *last = getDataForGroup_RO(0, database.c_str(), groups.back().c_str(), 0, 0);
  if (!deleted || std::strcmp(last->status, "0") != 0 || last->userCount != 0) {
    state.SkipWithError("deleteUser left the user or a reference behind");
  }
  custor_free_group(last);
}

BENCHMARK(BM_GetUserData)->Arg(10)->Arg(100)->Arg(1000)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeleteUser)
    ->ArgNames({"referring", "others"})
    ->Args({1, 0})
    ->Args({10, 0})
    ->Args({100, 0})
    ->Args({1, 100})
    ->Args({1, 1000})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace custor::bench
