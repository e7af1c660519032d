// The corvaned program as a child process: its command line, its ready file, the injected crash of
// --exit-after-requests, and a clean stop on SIGTERM. Which changes survive a crash at every request of
// a change is checked end to end.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
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
  Corvaned(const std::string& data_dir, std::vector<std::string> args) {
    int ready[2];
    EXPECT_EQ(::pipe(ready), 0);
    args.insert(args.begin(), {CORVANED_PATH, "--listen", "127.0.0.1:0", "--data", data_dir, "--ready-file",
                               "/dev/fd/" + std::to_string(ready[1])});
    if ((pid_ = ::fork()) == 0) {
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

}  // namespace
}  // namespace corvane
