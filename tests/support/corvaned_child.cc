#include "support/corvaned_child.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "support/server_fixture.h"

namespace corvane::testing {

namespace {

// Starts corvaned with `args` and stdout to `out_fd` (when >= 0); the child's pid.
pid_t Spawn(std::vector<std::string> args, int out_fd, const Limits& limits) {
  args.insert(args.begin(), CORVANED_PATH);
  pid_t pid = ::fork();
  if (pid == 0) {
    if (out_fd >= 0) ::dup2(out_fd, 1);
    for (const auto& [resource, value] : limits) {
      const rlimit limit{value, value};
      ::setrlimit(resource, &limit);
    }
    ::signal(SIGXFSZ, SIG_IGN);  // a write past a file size limit fails with EFBIG instead
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  return pid;
}

}  // namespace

std::string FirstLine(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  return line;
}

Corvaned::Corvaned(const std::string& data_dir, std::vector<std::string> args, const Limits& limits) {
  int ready[2];
  EXPECT_EQ(::pipe(ready), 0);
  args.insert(args.begin(), {"--listen", "127.0.0.1:0", "--data", data_dir, "--ready-file",
                             "/dev/fd/" + std::to_string(ready[1])});
  pid_ = Spawn(std::move(args), -1, limits);
  ::close(ready[1]);
  pollfd pfd{ready[0], POLLIN, 0};
  char text[16] = {};
  if (::poll(&pfd, 1, 30'000) == 1 && ::read(ready[0], text, sizeof text - 1) > 0) port_ = std::atoi(text);
  ::close(ready[0]);
  EXPECT_NE(port_, 0) << "corvaned did not become ready";
  key_ = FirstLine(data_dir + "/corvaned.key");
  UseKey(port(), key_);
}

int Corvaned::Stop(int signal_number) {
  int status = 0;
  if (pid_ > 0 && (signal_number == 0 || ::kill(pid_, signal_number) == 0)) ::waitpid(pid_, &status, 0);
  pid_ = -1;
  return status;
}

int RunCorvaned(const std::vector<std::string>& args, std::string* out) {
  int pipe_fds[2];
  EXPECT_EQ(::pipe(pipe_fds), 0);
  pid_t pid = Spawn(args, pipe_fds[1], {});
  ::close(pipe_fds[1]);
  char chunk[512];
  for (ssize_t n; (n = ::read(pipe_fds[0], chunk, sizeof chunk)) > 0;) {
    if (out != nullptr) out->append(chunk, static_cast<size_t>(n));
  }
  ::close(pipe_fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace corvane::testing
