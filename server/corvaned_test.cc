// The corvaned program as a child process: its command line, its ready file, the injected crash of
// --exit-after-requests, and a clean stop on SIGTERM. Which changes survive a crash at every request of
// a change is checked end to end.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "support/server_fixture.h"

namespace corvane {
namespace {

using testing::Message;
using testing::TestClient;

// A corvaned child process on 127.0.0.1:0. The ready file is the write end of a pipe, so that the test
// waits on the port without polling the file system.
class Corvaned {
 public:
  // `limits`: resource limits of the child (setrlimit), as pairs of resource and value.
  Corvaned(const std::string& data_dir, std::vector<std::string> args,
           const std::vector<std::pair<int, rlim_t>>& limits = {}) {
    int ready[2];
    EXPECT_EQ(::pipe(ready), 0);
    args.insert(args.begin(), {CORVANED_PATH, "--listen", "127.0.0.1:0", "--data", data_dir, "--ready-file",
                               "/dev/fd/" + std::to_string(ready[1])});
    if ((pid_ = ::fork()) == 0) {
      for (const auto& [resource, value] : limits) {
        const rlimit limit{value, value};
        ::setrlimit(resource, &limit);
      }
      ::signal(SIGXFSZ, SIG_IGN);  // a write past the file size limit fails with EFBIG instead
      std::vector<char*> argv;
      argv.reserve(args.size() + 1);
      for (std::string& arg : args) argv.push_back(arg.data());
      argv.push_back(nullptr);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    ::close(ready[1]);
    pollfd pfd{ready[0], POLLIN, 0};
    char text[16] = {};
    if (::poll(&pfd, 1, 30'000) == 1 && ::read(ready[0], text, sizeof text - 1) > 0) port_ = std::atoi(text);
    ::close(ready[0]);
    EXPECT_NE(port_, 0) << "corvaned did not become ready";
  }
  ~Corvaned() { Stop(SIGKILL); }
  uint16_t port() const { return static_cast<uint16_t>(port_); }
  // Sends `signal_number` (none with 0) and returns the wait status of the ended process.
  int Stop(int signal_number) {
    int status = 0;
    if (pid_ > 0 && (signal_number == 0 || ::kill(pid_, signal_number) == 0)) ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return status;
  }

 private:
  pid_t pid_ = -1;
  int port_ = 0;
};

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
       {"--max-document-elements", "2000000"},
       wide,
       testing::Failure("KIVXDE0050",
                        "Invalid document: it would take more than 64 MiB of memory (--max-document-memory)"),
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
