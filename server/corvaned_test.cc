// The corvaned program as a child process: its command line, its ready file, a clean stop on SIGTERM,
// and durability across the injected crash of --exit-after-requests.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "test_support.h"

namespace corvane {
namespace {

using testing::ClientSession;
using testing::Message;
using testing::Result;
using testing::TestClient;

// A corvaned child process on 127.0.0.1:0. The ready file is the write end of a pipe, so that the test
// waits on the port without polling the file system.
class Corvaned {
 public:
  Corvaned(const std::string& data_dir, std::vector<std::string> extra) {
    int ready[2];
    EXPECT_EQ(::pipe2(ready, O_CLOEXEC), 0);
    std::vector<std::string> args = {CORVANED_PATH, "--listen", "127.0.0.1:0", "--data", data_dir};
    args.insert(args.end(), {"--ready-file", "/dev/fd/" + std::to_string(ready[1])});
    args.insert(args.end(), extra.begin(), extra.end());
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ == 0) {
      ::fcntl(ready[1], F_SETFD, 0);  // the child keeps the write end
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

// Runs the program to its end: its exit status, and what it wrote to `output`.
int RunToEnd(const std::string& args, std::string* output) {
  FILE* pipe = ::popen((std::string(CORVANED_PATH) + " " + args + " 2>&1").c_str(), "r");
  std::array<char, 4096> buffer;
  for (size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0;)
    output->append(buffer.data(), n);
  return WEXITSTATUS(::pclose(pipe));
}

TEST(CorvanedTest, CommandLine) {
  std::string help, errors;
  EXPECT_EQ(RunToEnd("--help", &help), 0);
  for (const char* option :
       {"--listen", "--data", "--create-database", "--auto-create", "--session-timeout", "--lock-timeout",
        "--max-sessions", "--request-log", "--ready-file", "--max-connections", "--exit-after-requests"}) {
    EXPECT_NE(help.find(option), std::string::npos) << option;
  }
  EXPECT_NE(RunToEnd("--listen nowhere", &errors), 0);
  EXPECT_NE(RunToEnd("--no-such-option", &errors), 0);
}

// The injected crash: SIGKILL right after the reply to the nth request. Only committed changes survive.
TEST(CorvanedTest, ExitAfterRequestsDiesRightAfterTheReplyKeepingWhatWasCommitted) {
  testing::TempDir dir;
  {
    Corvaned server(dir.path(), {"--create-database", "db", "--exit-after-requests", "5"});
    TestClient client(server.port());
    ClientSession a = client.Connect();
    EXPECT_EQ(client.Send("_process=<kiv:user kiv:userid=\"one\"/>"), Message("Document stored"));
    client.In(&a, "_process=<kiv:user kiv:userid=\"two\"/>");
    client.In(&a, "_commit=*");
    const std::string reply = client.In(&a, "_process=<kiv:user kiv:userid=\"lost\"/>");
    EXPECT_EQ(reply, Message("Document stored", &a));
    const int status = server.Stop(0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
  }
  Corvaned restarted(dir.path(), {});
  TestClient client(restarted.port());
  EXPECT_EQ(client.Send("_XQL=/kiv:user sortby(@kiv:userid)"),
            Result("<kiv:user kiv:id=\"1\" kiv:userid=\"one\"/><kiv:user kiv:id=\"2\" kiv:userid=\"two\"/>"));
}

TEST(CorvanedTest, StopsCleanlyOnSigterm) {
  testing::TempDir dir;
  Corvaned server(dir.path(), {"--auto-create", "--request-log", dir.path() + "/log"});
  TestClient client(server.port());
  client.Connect("made");
  const int status = server.Stop(SIGTERM);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(testing::ReadFile(dir.path() + "/log"),
            "{\"db\":\"made\",\"command\":\"_connect=*\",\"code\":\"0\"}\n");
  EXPECT_FALSE(testing::ReadFile(dir.path() + "/made.db").empty());
}

}  // namespace
}  // namespace corvane
