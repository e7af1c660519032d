// Per-request overhead of the library and the agent's request service: getUsers through libcustor.so
// and libcustor-agent.so against a bare libcurl GET of the same URL on a reused (kept-alive) handle,
// both to the same corvaned. The two alternate within one benchmark; the ratio counter is library time
// over bare request time (wall clock: the server's work is in both).
//
// Every reply must be read with expat, so a second pair measures that floor: the bare GET followed by
// one plain parse of its body, against the bare GET alone. A third pair sets the library against the
// floor, which leaves the cost of the library and the agent beyond the one parse they cannot skip.
#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "bench/live_server.h"
#include "bench/paired_timer.h"
#include "bench/plain_parse.h"
#include "custor/custor.h"
#include "custor/release.h"

namespace custor::bench {
namespace {

constexpr char kListUsers[] = "_XQL=/kiv:user sortby(@kiv:userid)";

// A libcurl handle kept for the life of the benchmark, and so its connection; it sends the server's key
// as the request service does.
class BareClient {
 public:
  BareClient() : fields_(curl_slist_append(nullptr, AuthorizationHeader().c_str())) {
    curl_ = curl_easy_init();
    curl_easy_setopt(curl_, CURLOPT_WRITEFUNCTION, &BareClient::OnBody);
    curl_easy_setopt(curl_, CURLOPT_WRITEDATA, &body_);
    curl_easy_setopt(curl_, CURLOPT_HTTPHEADER, fields_);
  }
  ~BareClient() {
    curl_easy_cleanup(curl_);
    curl_slist_free_all(fields_);
  }
  BareClient(const BareClient &) = delete;
  BareClient &operator=(const BareClient &) = delete;

  // The body of the answer to a GET of `url`, or "" when none came.
  const std::string &Get(const std::string &url) {
    body_.clear();
    curl_easy_setopt(curl_, CURLOPT_URL, url.c_str());
    if (curl_easy_perform(curl_) != CURLE_OK) body_.clear();
    return body_;
  }

 private:
  static size_t OnBody(char *data, size_t size, size_t count, void *body) {
    static_cast<std::string *>(body)->append(data, size * count);
    return size * count;
  }

  curl_slist *fields_;
  CURL *curl_;
  std::string body_;
};

// Database "overhead<n>" holding n users, filled once per program.
std::string Prepared(int users) {
  static std::set<int> done;
  Server();
  const std::string database = "overhead" + std::to_string(users);
  if (done.insert(users).second && !CreateUsers(database, "user", users)) return "";
  return database;
}

// What each side of a pair does: the library call, the bare GET, or the bare GET and one plain parse.
enum class Side { kLibrary, kBare, kBareAndParse };

// Pairs `operation` against `reference` on a database of state.range(0) users.
void Pair(benchmark::State &state, Side operation, Side reference) {
  const int users = static_cast<int>(state.range(0));
  const std::string database = Prepared(users);
  if (database.empty()) {
    state.SkipWithError("could not fill the database");
    return;
  }
  BareClient bare;
  const std::string url = RequestUrl(database, kListUsers);
  // Both sides must send the same request: the server's log shows the last two alike, and served.
  custor_free_name_list(getUsers(0, database.c_str(), 0, 0));
  const std::string body = bare.Get(url);
  const std::vector<e2e::LoggedRequest> log = Server().Log();
  if (body.empty() || log.size() < 2 || log[log.size() - 1].command != log[log.size() - 2].command ||
      log.back().command != kListUsers || log.back().db != database || log.back().code != "0") {
    state.SkipWithError("the bare request is not the library's");
    return;
  }

  int listed = users;
  bool answered = true;
  const auto run = [&](Side side) {
    if (side == Side::kLibrary) {
      NameList *list = getUsers(0, database.c_str(), 0, 0);
      if (std::strcmp(list->status, "0") != 0 || list->count != users) listed = -1;
      custor_free_name_list(list);
      return;
    }
    const std::string &reply = bare.Get(url);
    answered = answered && !reply.empty();
    if (side == Side::kBareAndParse) PlainParse(reply);
  };
  {
    PairedTimer timer(state, PairedTimer::kWall);
    for (auto _ : state) timer.Run([&] { run(operation); }, [&] { run(reference); });
  }
  if (listed != users) state.SkipWithError("getUsers did not list every user");
  if (!answered) state.SkipWithError("a bare request went unanswered");
}

void BM_GetUsersVsBareGet(benchmark::State &state) { Pair(state, Side::kLibrary, Side::kBare); }
void BM_BareGetAndParseVsBareGet(benchmark::State &state) { Pair(state, Side::kBareAndParse, Side::kBare); }
void BM_GetUsersVsBareGetAndParse(benchmark::State &state) {
  Pair(state, Side::kLibrary, Side::kBareAndParse);
}

// Replies of 1, 10 and 100 users.
void Sizes(benchmark::internal::Benchmark *b) {
  b->Arg(1)->Arg(10)->Arg(100)->UseManualTime()->Unit(benchmark::kMicrosecond);
}
BENCHMARK(BM_GetUsersVsBareGet)->Apply(Sizes);
BENCHMARK(BM_BareGetAndParseVsBareGet)->Apply(Sizes);
BENCHMARK(BM_GetUsersVsBareGetAndParse)->Apply(Sizes);

}  // namespace
}  // namespace custor::bench
