// The corvaned program as a child process: its command line, its ready file, the injected crash of
// --exit-after-requests, a clean stop on SIGTERM, and hostile clients: a thousand half-sent requests,
// more connections than it has descriptors. Which changes survive a crash at every request of a change is
// checked end to end.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "support/corvaned_child.h"
#include "support/server_fixture.h"

namespace corvane {
namespace {

using testing::Corvaned;
using testing::Message;
using testing::TestClient;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// How many entries a /proc directory of the process has whose number lies below `below`: its threads
// (task) or descriptors (fd).
size_t Entries(pid_t pid, const char* what, int below = INT32_MAX) {
  size_t count = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/" + what)) {
    count += std::stoll(entry.path().filename().string()) < below;
  }
  return count;
}

// The processor time the process has used, user and system.
std::chrono::milliseconds CpuTime(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(in)), {});
  // Fields 14 and 15 (utime, stime) in clock ticks, counted after the command name's closing parenthesis.
  std::istringstream fields(text.substr(text.rfind(')') + 2));
  std::string field;
  for (int i = 3; i < 14; ++i) fields >> field;
  long user = 0, system = 0;
  fields >> user >> system;
  return std::chrono::milliseconds((user + system) * 1000 / ::sysconf(_SC_CLK_TCK));
}

// `count` connections, each holding `sent`; their descriptors.
std::vector<int> Hold(uint16_t port, int count, const std::string& sent) {
  std::vector<int> held;
  for (int i = 0; i < count; ++i) {
    held.push_back(testing::ConnectTo(port));
    EXPECT_GE(held.back(), 0);
    EXPECT_EQ(::write(held.back(), sent.data(), sent.size()), ssize_t(sent.size()));
  }
  return held;
}

void Release(const std::vector<int>& held) {
  for (int fd : held) ::close(fd);
}

TEST(CorvanedTest, CommandLine) {
  EXPECT_EQ(std::system(CORVANED_PATH " --help >/dev/null"), 0);
  EXPECT_NE(std::system(CORVANED_PATH " --listen nowhere 2>/dev/null"), 0);
}

TEST(CorvanedTest, ExitAfterRequestsKeepsTheCommitAndSigtermStopsCleanly) {
  testing::TempDir dir;
  {
    Corvaned server(dir.path(), {"--create-database", "db", "--exit-after-requests", "3"});
    TestClient client(server.port());
    testing::ClientSession a = client.Connect();
    client.In(&a, "_process=<kiv:user kiv:userid=\"one\"/>");
    const std::string reply = client.In(&a, "_commit=*");
    EXPECT_EQ(reply, Message("Transaction committed", &a));  // answered, then killed
    const int status = server.Stop(0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
  }
  Corvaned restarted(dir.path(), {"--auto-create", "--request-log", dir.path() + "/log"});
  TestClient client(restarted.port());
  // A new document takes no committed one's id (it would replace it).
  EXPECT_EQ(client.Send("_process=<kiv:group kiv:groupname=\"g\"/>"), Message("Document stored"));
  EXPECT_EQ(client.Send("_XQL=/kiv:user"), testing::Result("<kiv:user kiv:id=\"1\" kiv:userid=\"one\"/>"));
  client.Connect("made");
  const int status = restarted.Stop(SIGTERM);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  const std::vector<testing::LogEntry> log = testing::ReadLog(dir.path() + "/log");
  EXPECT_EQ(log.back(), (testing::LogEntry{"made", "_connect=*"}));
  EXPECT_FALSE(testing::ReadFile(dir.path() + "/made.db").empty());
}

TEST(CorvanedTest, HalfSentRequestsHoldNoThreadAndStarveNobody) {
  // The test holds a thousand connections of its own.
  rlimit limit;
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &limit), 0);
  if (limit.rlim_max < 1200) GTEST_SKIP() << "needs 1200 descriptors, the hard limit is " << limit.rlim_max;
  limit.rlim_cur = std::max<rlim_t>(limit.rlim_cur, 1200);
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &limit), 0);
  testing::TempDir dir;
  Corvaned server(dir.path(), {"--create-database", "db"});
  TestClient client(server.port());
  ASSERT_EQ(client.Send("_XQL=/kiv:user"), Message(testing::kNoObject));
  const size_t threads = Entries(server.pid(), "task");

  std::vector<int> held =
      Hold(server.port(), 1000, "GET /corvane/db/kiv:security?_XQL=%2Fkiv%3Auser HTTP/1.1\r\nHo");
  const Clock::time_point start = Clock::now();
  TestClient other(server.port());
  EXPECT_EQ(other.Send("_XQL=/kiv:user"), Message(testing::kNoObject));
  EXPECT_LT(Clock::now() - start, 1s);
  EXPECT_EQ(Entries(server.pid(), "task"), threads);
  Release(held);
}

TEST(CorvanedTest, OutOfDescriptorsAcceptingPausesUntilSomeAreFree) {
  constexpr int kMaxFiles = 64;
  testing::TempDir dir;
  Corvaned server(dir.path(), {"--create-database", "db"}, {{RLIMIT_NOFILE, kMaxFiles}});
  // A connection that ends, seen to its end, before the shortage: under UBSan the first check of the
  // end's error category needs a descriptor (a pipe) of its own, and would fail for want of one.
  const int ending = testing::ConnectTo(server.port());
  char byte;
  ::shutdown(ending, SHUT_WR);
  EXPECT_EQ(::read(ending, &byte, 1), 0);
  ::close(ending);
  std::vector<int> held = Hold(server.port(), 2 * kMaxFiles, "");
  // Once every descriptor is taken, accepting fails for want of one; it must not be tried again at once.
  const Clock::time_point deadline = Clock::now() + 10s;
  while (Entries(server.pid(), "fd", kMaxFiles) < kMaxFiles && Clock::now() < deadline) {
    std::this_thread::sleep_for(10ms);
  }
  ASSERT_EQ(Entries(server.pid(), "fd", kMaxFiles), size_t{kMaxFiles});
  const std::chrono::milliseconds before = CpuTime(server.pid());
  std::this_thread::sleep_for(1s);
  EXPECT_LT(CpuTime(server.pid()) - before, 100ms);

  Release(held);
  TestClient client(server.port());
  EXPECT_EQ(client.Send("_XQL=/kiv:user"), Message(testing::kNoObject));
}

// A request that would need more memory or disk than the process may have fails alone, saying why and
// leaving nothing behind; the server goes on, and another client's session is untouched.
TEST(CorvanedTest, RequestsPastMemoryOrDiskFailAloneAndSayWhy) {
  std::string wide = "_process=<kiv:user kiv:userid=\"w\">";  // 15 MiB encoded, 1.6 million elements
  for (int i = 0; i < 1'600'000; ++i) wide += "<a/>";
  wide += "</kiv:user>";
  const std::string big = "_process=<kiv:user kiv:userid=\"b\">" + std::string(2 << 20, 'x') + "</kiv:user>";
  const struct {
    int resource;
    rlim_t limit;
    std::vector<std::string> args;
    const std::string& command;
    std::string reply;
    std::string id;  // of the next document stored: a write that failed may have used one
  } cases[] = {
      {RLIMIT_AS,
       rlim_t{400} << 20,
       {},
       wide,
       testing::Failure("KIVXDE0050",
                        "Invalid document: more than 200000 elements (--max-document-elements)"),
       "1"},
      {RLIMIT_AS,
       rlim_t{400} << 20,
       {"--max-document-elements", "2000000", "--max-document-memory", "16"},
       wide,
       testing::Failure("KIVXDE0050",
                        "Invalid document: it would take more than 16 MiB of memory (--max-document-memory)"),
       "1"},
      {RLIMIT_FSIZE,
       rlim_t{1} << 20,
       {},
       big,
       testing::Failure("KIVXXE8610", "unknown error: cannot commit to db: disk I/O error"),
       "2"},
  };
  for (const auto& c : cases) {
#if defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer reserves terabytes of address space: it cannot run under RLIMIT_AS at all.
    if (c.resource == RLIMIT_AS) continue;
#endif
    SCOPED_TRACE(c.resource == RLIMIT_AS ? "address space" : "file size");
    testing::TempDir dir;
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"--create-database", "db"});
    Corvaned server(dir.path(), args, {{c.resource, c.limit}});
    TestClient client(server.port()), other(server.port());
    testing::ClientSession s = other.Connect();
    other.In(&s, "_XQL=/kiv:user");
    EXPECT_EQ(client.Send(c.command), c.reply);
    other.In(&s, "_process=<kiv:user kiv:userid=\"o\"/>");
    const std::string committed = other.In(&s, "_commit=*");
    EXPECT_EQ(committed, Message("Transaction committed", &s));
    EXPECT_EQ(client.Send("_XQL=/kiv:user"),
              testing::Result("<kiv:user kiv:id=\"" + c.id + "\" kiv:userid=\"o\"/>"));
  }
}

}  // namespace
}  // namespace corvane
