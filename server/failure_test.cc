// An allocation that fails inside a request, at every allocation that a command makes in turn: the
// request answers "unknown error: out of memory" and changes nothing, the session keeps its key and its
// transaction, the write lock is not lost, and another client's session goes on.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <regex>

#include "service.h"
#include "store.h"
#include "support/server_fixture.h"

namespace {

// The allocation that fails: the n-th from now on this thread; 0 for none.
thread_local long fail_countdown = 0;

}  // namespace

// Every form of the plain operator new and delete is replaced alike, so that what one allocates the
// other frees (the nothrow form serves std::stable_sort's buffer, for one).
void* operator new(std::size_t size) {
  if (fail_countdown > 0 && --fail_countdown == 0) throw std::bad_alloc();
  if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
  throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return operator new(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }

namespace corvane {
namespace {

using testing::ClientSession;
using testing::Failure;
using testing::Message;

TEST(FailureTest, AFailingAllocationFailsItsRequestAloneAndChangesNothing) {
  std::atomic<long> fail_at{0};
  ServiceOptions options;
  options.command_hook = [&](bool starting) { fail_countdown = starting ? fail_at.load() : 0; };
  testing::TestServer server(options);
  testing::TestClient client(server.port()), other(server.port());
  ASSERT_EQ(client.Send("_process=<kiv:user kiv:userid=\"u\"/>"), Message("Document stored"));
  ClientSession bystander = other.Connect(), s = client.Connect();
  other.In(&bystander, "_XQL=/kiv:user");

  const struct {
    std::string command;
    bool in_session;
    std::string line;  // of the success
  } steps[] = {
      {"_XQL=/kiv:acl", true, testing::kNoObject},
      {"_process=<kiv:group kiv:groupname=\"g\"><kiv:userref>u</kiv:userref></kiv:group>", true,
       "Document stored"},
      {"_delete=kiv:user[@kiv:userid=\"u\"]", true, "Document deleted"},
      {"_XQL=/kiv:user", true, testing::kNoObject},
      {"_commit=*", true, "Transaction committed"},
      {"_process=<kiv:acl kiv:aclname=\"a\"><kiv:ace kiv:access=\"R\">x</kiv:ace></kiv:acl>", false,
       "Document stored"},
  };
  int failures = 0;
  for (const auto& step : steps) {
    for (long n = 1;; ++n) {
      SCOPED_TRACE(step.command + ", allocation " + std::to_string(n));
      const ClientSession before = s;
      fail_at = n;
      const std::string reply = step.in_session ? client.In(&s, step.command) : client.Send(step.command);
      fail_at = 0;
      if (reply !=
          Failure("KIVXXE8610", "unknown error: out of memory", step.in_session ? &before : nullptr)) {
        EXPECT_EQ(reply, Message(step.line, step.in_session ? &s : nullptr));
        break;
      }
      ++failures;
    }
  }
  EXPECT_GT(failures, 20) << "allocations failed inside the commands";
  EXPECT_EQ(client.Send("_XQL=/kiv:user"), Message(testing::kNoObject));
  // Exactly one group g (a failed store may have used up an id: ids are never given twice).
  const std::string groups = client.Send("_XQL=/kiv:group");
  EXPECT_TRUE(
      std::regex_match(groups, std::regex(".*<xql:result><kiv:group kiv:id=\"[0-9]+\" kiv:groupname=\"g\">"
                                          "<kiv:userref>u</kiv:userref></kiv:group></xql:result>.*")))
      << groups;
  const std::string committed = other.In(&bystander, "_commit=*");
  EXPECT_EQ(committed, Message("Transaction committed", &bystander));
  // One audit row for each change that was made, none for the attempts that failed.
  int rows = 0;
  std::string error;
  const std::string dir = server.log_path().substr(0, server.log_path().rfind('/'));
  ASSERT_TRUE(Store::ReadAudit(
      dir + "/db.db", 0, [&](const AuditRow&) { ++rows; }, &error))
      << error;
  EXPECT_EQ(rows, 4);
}

}  // namespace
}  // namespace corvane
