// A long-running agent's memory: 100,000 reads of a group against corvaned leave the process's
// resident set where the warm-up left it (every result freed as custor.h says). Only meaningful
// without sanitizers, whose shadow memory and quarantine grow on their own.
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "e2e/e2e_test.h"

namespace custor::e2e {
namespace {

class ReaderMemory : public EndToEndTest {};

TEST_F(ReaderMemory, HundredThousandGroupReadsDoNotGrowTheProcess) {
  std::vector<std::string> users;
  users.reserve(20);
  for (int i = 0; i < 20; ++i) users.push_back("user" + std::to_string(i));
  Seed({GroupDoc("staff", users, {"docs", "mail"})});
  // Each round reads the group and one that does not exist, so that both the full and the empty record
  // are made and released.
  auto round = [this] {
    cli::Owned<GroupRecord> group(getDataForGroup_RO(0, db(), "staff", 0, 0));
    cli::Owned<GroupRecord> missing(getDataForGroup_RO(0, db(), "nobody", 0, 0));
    return group->userCount == 20 && group->aclCount == 2 &&
           std::string(missing->nameOrId) == "VRX@DLL PARSE_ERR";
  };
  auto resident_bytes = [] {
    long pages = 0, resident = -1;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return resident * sysconf(_SC_PAGESIZE);
  };
  for (int i = 0; i < 5000; ++i) ASSERT_TRUE(round()) << i;
  const long before = resident_bytes();
  for (int calls = 0; calls < 100000; calls += 2) ASSERT_TRUE(round()) << calls;
  const long after = resident_bytes();
  ASSERT_GT(before, 0);
  EXPECT_LT(after - before, 1L << 20)
      << "resident bytes after the warm-up " << before << ", at the end " << after;
}

}  // namespace
}  // namespace custor::e2e
