// Access keys against corvaned as a child process: a request without a valid key is refused with 401 and
// does nothing but its log line; keys added and revoked while the server runs count within a second; the
// key commands; and the modes of what corvaned makes, whatever the umask.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <thread>

#include "sha256.h"
#include "support/corvaned_child.h"
#include "support/server_fixture.h"

namespace corvane {
namespace {

using testing::Corvaned;
using testing::FirstLine;
using testing::Message;
using testing::ReadFile;
using testing::RunCorvaned;
using testing::TargetFor;
using testing::TestClient;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Asks with `authorization` until the answer has `status`, for up to 3 s: the server looks at its key
// table once a second.
bool ComesTo(int status, uint16_t port, const std::string& authorization) {
  for (const Clock::time_point deadline = Clock::now() + 3s;; std::this_thread::sleep_for(50ms)) {
    TestClient client(port, authorization);
    if (client.Get(TargetFor("db", "_XQL=/kiv:user")).status == status) return true;
    if (Clock::now() > deadline) return false;
  }
}

TEST(AccessTest, RequestsWithoutAValidKeyAreRefusedAndDoNothing) {
  testing::TempDir dir, other;
  const std::string data = dir.path() + "/data", log = dir.path() + "/log";
  Corvaned server(data, {"--create-database", "db", "--request-log", log});
  ASSERT_EQ(RunCorvaned({"key", "add", "alice", "--data", data, "--out", dir.path() + "/alice"}), 0);
  ASSERT_EQ(RunCorvaned({"key", "add", "bob", "--data", other.path(), "--out", other.path() + "/bob"}), 0);
  const std::string alice = "Bearer " + FirstLine(dir.path() + "/alice");
  ASSERT_TRUE(ComesTo(200, server.port(), alice));  // added while the server runs
  ASSERT_EQ(RunCorvaned({"key", "revoke", "alice", "--data", data}), 0);
  ASSERT_TRUE(ComesTo(401, server.port(), alice));  // and revoked

  // A session with a change not yet committed, which no refused request may touch.
  TestClient admin(server.port());
  testing::ClientSession session = admin.Connect();
  admin.In(&session, "_process=<kiv:user kiv:userid=\"kept\"/>");
  const std::string& key = server.key();
  const std::string table = FirstLine(data + "/keys");
  const struct {
    const char* what;
    std::string authorization;
  } cases[] = {
      {"no key", ""},
      {"a wrong key", "Bearer " + std::string(64, '0')},
      {"a revoked key", alice},
      {"a key of another data directory", "Bearer " + FirstLine(other.path() + "/bob")},
      {"the key's hash from the table", "Bearer " + table.substr(table.find('\t') + 1)},
      {"the key cut short", "Bearer " + key.substr(0, 63)},
      {"the key in another scheme", "Basic " + key},
      {"the key without a scheme", key},
  };
  const std::string commands[] = {"_process=<kiv:user kiv:userid=\"u\"/>", "_rollback=*" + session.Suffix()};
  const std::vector<testing::LogEntry> logged = {{"db", commands[0], "KIVXAE0080"},
                                                 {"db", commands[1], "KIVXAE0080"}};
  for (const auto& [what, authorization] : cases) {
    TestClient client(server.port(), authorization);
    const size_t log_size = testing::ReadLog(log).size();
    for (const std::string& command : commands) {
      testing::Answer answer = client.Get(TargetFor("db", command));
      EXPECT_EQ(answer.status, 401) << what;
      EXPECT_EQ(answer.body, testing::Failure("KIVXAE0080", "Access denied")) << what;
    }
    const std::vector<testing::LogEntry> lines = testing::ReadLog(log);
    EXPECT_EQ(
        std::vector<testing::LogEntry>(lines.begin() + static_cast<std::ptrdiff_t>(log_size), lines.end()),
        logged)
        << what;
  }
  // The session goes on with the key of its last reply, and nothing refused was stored.
  const std::string committed = admin.In(&session, "_commit=*");
  EXPECT_EQ(committed, Message("Transaction committed", &session));
  EXPECT_EQ(admin.Send("_XQL=/kiv:user"), testing::Result("<kiv:user kiv:id=\"1\" kiv:userid=\"kept\"/>"));
  // The scheme's name in any case, and blanks around the key.
  for (const std::string& authorization : {"bearer " + key, "BEARER \t " + key + "  "}) {
    EXPECT_EQ(TestClient(server.port(), authorization).Send("_XQL=/kiv:group"), Message(testing::kNoObject))
        << authorization;
  }
}

TEST(AccessTest, KeyCommandsKeepOnlyHashes) {
  testing::TempDir dir;
  const std::string data = dir.path() + "/data";
  const struct {
    std::vector<std::string> args;
    int status;
    std::string out;  // "KEY": a new key printed
  } cases[] = {
      {{"list"}, 0, ""},  // no table yet
      {{"add", "ops", "--out", dir.path() + "/ops"}, 0, ""},
      {{"add", "dev"}, 0, "KEY"},
      {{"add", "ops"}, 1, ""},  // taken
      {{"add", "a b"}, 1, ""},
      {{"list"}, 0, "ops\ndev\n"},
      {{"revoke", "ops"}, 0, ""},
      {{"revoke", "ops"}, 1, ""},
      {{"list"}, 0, "dev\n"},
  };
  std::string dev;
  for (const auto& [args, status, out] : cases) {
    std::vector<std::string> command = {"key"};
    command.insert(command.end(), args.begin(), args.end());
    command.insert(command.end(), {"--data", data});
    std::string printed;
    EXPECT_EQ(RunCorvaned(command, &printed), status) << args[0] << " " << args[1 % args.size()];
    if (out == "KEY") {
      EXPECT_TRUE(std::regex_match(printed, std::regex("[0-9a-f]{64}\n"))) << printed;
      dev = printed.substr(0, 64);
    } else {
      EXPECT_EQ(printed, out) << args[0];
    }
  }
  EXPECT_EQ(ReadFile(data + "/keys"), "dev\t" + Sha256Hex(dev) + "\n");
  // A first start with a table finds its keys there and makes none.
  Corvaned server(data, {"--create-database", "db"});
  EXPECT_EQ(TestClient(server.port(), "Bearer " + dev).Send("_XQL=/kiv:user"), Message(testing::kNoObject));
  EXPECT_FALSE(std::filesystem::exists(data + "/corvaned.key"));
}

TEST(AccessTest, FilesArePrivateWhateverTheUmask) {
  testing::TempDir dir;
  const std::string data = dir.path() + "/data", earlier = dir.path() + "/earlier";
  // A data directory of an earlier run, open to others.
  ASSERT_EQ(::mkdir(earlier.c_str(), 0755), 0);
  ASSERT_EQ(::mkdir((earlier + "/sub").c_str(), 0755), 0);
  std::ofstream(earlier + "/db.db-wal") << "x";
  ASSERT_EQ(::chmod((earlier + "/db.db-wal").c_str(), 0644), 0);
  const mode_t umask = ::umask(0);
  struct Expected {
    std::string path;
    mode_t mode;
  };
  auto check = [](const std::vector<Expected>& cases) {
    for (const auto& [path, mode] : cases) {
      struct stat st {};
      EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
      EXPECT_EQ(st.st_mode & 07777, mode) << path;
    }
  };
  {
    Corvaned server(data, {"--create-database", "db"});
    TestClient client(server.port());
    ASSERT_EQ(client.Send("_process=<kiv:user kiv:userid=\"u\"/>"), Message("Document stored"));
    Corvaned again(earlier, {"--no-access-key"});
    check({{data, 0700},
           {data + "/db.db", 0600},
           {data + "/db.db-wal", 0600},
           {data + "/db.db-shm", 0600},
           {data + "/keys", 0600},
           {data + "/corvaned.key", 0600},
           {earlier, 0700},
           {earlier + "/sub", 0700},
           {earlier + "/db.db-wal", 0600}});
  }
  ASSERT_EQ(RunCorvaned({"key", "add", "x", "--data", data, "--out", dir.path() + "/x"}), 0);
  ASSERT_EQ(RunCorvaned({"key", "add", "y", "--data", dir.path() + "/new"}), 0);
  check({{data + "/keys", 0600},
         {dir.path() + "/x", 0600},
         {dir.path() + "/new", 0700},
         {dir.path() + "/new/keys", 0600}});
  ::umask(umask);
}

TEST(AccessTest, WithoutTheCheckEveryRequestIsServedAndNoKeyIsMade) {
  testing::TempDir dir;
  Corvaned server(dir.path(), {"--create-database", "db", "--no-access-key"});
  EXPECT_EQ(TestClient(server.port(), "").Send("_XQL=/kiv:user"), Message(testing::kNoObject));
  EXPECT_FALSE(std::filesystem::exists(dir.path() + "/keys"));
}

}  // namespace
}  // namespace corvane
