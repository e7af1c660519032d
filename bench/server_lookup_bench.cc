// Lookups by name and by reference, in-process, on databases of different sizes: with indexes their
// cost does not grow with the number of documents that do not match.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

#include "database.h"
#include "transaction.h"

namespace corvane {
namespace {

// A database of `groups` groups "g<i>", each referring to users "u<i>" and "u<i+1>" and to ACL "a<i>".
class Fixture {
 public:
  explicit Fixture(int groups) {
    std::string pattern = (std::filesystem::temp_directory_path() / "corvane-bench-XXXXXX").string();
    dir_ = ::mkdtemp(pattern.data());
    std::string error;
    db_ = Database::Open(dir_ + "/bench.db", "bench", true, &error);
    // Loaded in transactions of 100 documents: a transaction's own changes are scanned, not indexed.
    Transaction load(db_.get(), 1, {});
    for (int i = 0; i < groups; ++i) {
      if (i % 100 == 0) load.Commit({}, &error);
      const std::string n = std::to_string(i);
      std::string group = "<kiv:group kiv:groupname=\"g";
      group.append(n).append("\"><kiv:userref>u").append(n).append("</kiv:userref><kiv:userref>u");
      group.append(std::to_string(i + 1)).append("</kiv:userref><kiv:aclref>a").append(n);
      group.append("</kiv:aclref></kiv:group>");
      load.Process(*ParseSubmission(group));
    }
    load.Commit({}, &error);
  }
  ~Fixture() {
    db_.reset();
    std::filesystem::remove_all(dir_);
  }
  Database* db() { return db_.get(); }

 private:
  std::string dir_;
  std::unique_ptr<Database> db_;
};

void Lookup(benchmark::State& state, const char* before, const char* after) {
  int groups = static_cast<int>(state.range(0));
  Fixture fixture(groups);
  Transaction reader(fixture.db(), 2, {});
  // The looked-up name lies in the middle of the collection.
  std::string query = before + std::to_string(groups / 2) + after;
  std::string nodes;
  for (auto _ : state) {
    Selection selection;
    reader.Query(*ParseQuery(query), &selection);
    nodes = WriteSelection(selection);
    benchmark::DoNotOptimize(nodes);
  }
  if (nodes.empty()) state.SkipWithError("lookup found nothing");
}

void BM_LookupByName(benchmark::State& state) { Lookup(state, "/kiv:group [@kiv:groupname=\"g", "\"]"); }
void BM_LookupByReference(benchmark::State& state) {
  Lookup(state, "/kiv:group [kiv:userref=\"u", "\"]sortby(@kiv:groupname)");
}
void BM_GroupReferences(benchmark::State& state) {
  Lookup(state, "/kiv:group [@kiv:groupname=\"g", "\"] /kiv:userref sortby(.)");
}

BENCHMARK(BM_LookupByName)->Arg(100)->Arg(10000);
BENCHMARK(BM_LookupByReference)->Arg(100)->Arg(10000);
BENCHMARK(BM_GroupReferences)->Arg(100)->Arg(10000);

}  // namespace
}  // namespace corvane
