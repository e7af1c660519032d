// The corvaned program as a child process: its command line, its ready file, a clean stop on SIGTERM,
// and durability across kill -9 and the injected crash of --exit-after-requests.
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
using testing::MessageReply;
using testing::ResultReply;
using testing::TestClient;

// A corvaned child process on 127.0.0.1:0. The ready file is the write end of a pipe, so that the test
// waits on the port without polling the file system.
class Corvaned {
 public:
  Corvaned(const std::string& data_dir, std::vector<std::string> extra) {
    int ready[2];
    EXPECT_EQ(::pipe2(ready, O_CLOEXEC), 0);
    std::vector<std::string> args = {CORVANED_PATH,
                                     "--listen",
                                     "127.0.0.1:0",
                                     "--data",
                                     data_dir,
                                     "--ready-file",
                                     "/dev/fd/" + std::to_string(ready[1])};
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

  ~Corvaned() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      Wait();
    }
  }

  uint16_t port() const { return static_cast<uint16_t>(port_); }
  void Kill(int signal_number) { ::kill(pid_, signal_number); }
  // The wait status of the ended process.
  int Wait() {
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return status;
  }

 private:
  pid_t pid_ = -1;
  int port_ = 0;
};

// Runs the program to its end and returns what it wrote to standard output.
std::string RunToEnd(const std::string& args, int* status) {
  std::string output;
  FILE* pipe = ::popen((std::string(CORVANED_PATH) + " " + args + " 2>&1").c_str(), "r");
  std::array<char, 4096> buffer;
  size_t n;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) output.append(buffer.data(), n);
  *status = ::pclose(pipe);
  return output;
}

TEST(CorvanedTest, HelpDocumentsEveryOption) {
  int status;
  std::string help = RunToEnd("--help", &status);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  for (const char* option :
       {"--listen", "--data", "--create-database", "--auto-create", "--session-timeout", "--lock-timeout",
        "--max-sessions", "--request-log", "--ready-file", "--max-connections", "--exit-after-requests"}) {
    EXPECT_NE(help.find(option), std::string::npos) << option;
  }
  RunToEnd("--listen nowhere", &status);
  EXPECT_NE(WEXITSTATUS(status), 0);
  RunToEnd("--no-such-option", &status);
  EXPECT_NE(WEXITSTATUS(status), 0);
}

TEST(CorvanedTest, CommittedChangesSurviveKillAndUncommittedOnesDoNot) {
  testing::TempDir dir;
  {
    Corvaned server(dir.path(), {"--create-database", "db"});
    TestClient client(server.port());
    ClientSession a, b;
    ASSERT_TRUE(testing::ReadSession(client.Send("db", "_connect=*"), &a));
    ASSERT_TRUE(
        testing::ReadSession(client.Send("db", "_process=<kiv:user kiv:userid=\"kept\"/>" + a.Suffix()), &a));
    ASSERT_TRUE(testing::ReadSession(client.Send("db", "_commit=*" + a.Suffix()), &a));
    ASSERT_TRUE(
        testing::ReadSession(client.Send("db", "_process=<kiv:user kiv:userid=\"lost\"/>" + a.Suffix()), &a));
    ASSERT_EQ(client.Send("db", "_XQL=/kiv:user"),
              ResultReply("<kiv:user kiv:id=\"1\" kiv:userid=\"kept\"/>"));
    server.Kill(SIGKILL);
    EXPECT_TRUE(WIFSIGNALED(server.Wait()));
  }
  Corvaned restarted(dir.path(), {});
  TestClient client(restarted.port());
  EXPECT_EQ(client.Send("db", "_XQL=/kiv:user"), ResultReply("<kiv:user kiv:id=\"1\" kiv:userid=\"kept\"/>"));
  // The lost store's id is not reused for a committed document either way: the next one is new.
  EXPECT_EQ(client.Send("db", "_process=<kiv:user kiv:userid=\"next\"/>"), MessageReply("Document stored"));
}

TEST(CorvanedTest, ExitAfterRequestsDiesRightAfterTheReply) {
  testing::TempDir dir;
  {
    Corvaned server(dir.path(), {"--create-database", "db", "--exit-after-requests", "2"});
    TestClient client(server.port());
    EXPECT_EQ(client.Send("db", "_process=<kiv:user kiv:userid=\"one\"/>"), MessageReply("Document stored"));
    EXPECT_EQ(client.Send("db", "_process=<kiv:user kiv:userid=\"two\"/>"), MessageReply("Document stored"));
    int status = server.Wait();
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
  }
  Corvaned restarted(dir.path(), {});
  TestClient client(restarted.port());
  EXPECT_EQ(
      client.Send("db", "_XQL=/kiv:user sortby(@kiv:userid)"),
      ResultReply("<kiv:user kiv:id=\"1\" kiv:userid=\"one\"/><kiv:user kiv:id=\"2\" kiv:userid=\"two\"/>"));
}

TEST(CorvanedTest, StopsCleanlyOnSigterm) {
  testing::TempDir dir;
  Corvaned server(dir.path(), {"--auto-create", "--request-log", dir.path() + "/log"});
  TestClient client(server.port());
  ClientSession a;
  ASSERT_TRUE(testing::ReadSession(client.Send("made", "_connect=*"), &a));
  server.Kill(SIGTERM);
  int status = server.Wait();
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(testing::ReadFile(dir.path() + "/log"),
            "{\"db\":\"made\",\"command\":\"_connect=*\",\"code\":\"0\"}\n");
  EXPECT_FALSE(testing::ReadFile(dir.path() + "/made.db").empty());
}

}  // namespace
}  // namespace corvane
