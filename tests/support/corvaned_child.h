// corvaned as a child process on 127.0.0.1:0 over a given data directory. The ready file is the write
// end of a pipe, so that the test waits on the port without polling the file system; once ready, test
// clients of its port send the key "admin" of its data directory (UseKey).
#ifndef CUSTOR_TESTS_SUPPORT_CORVANED_CHILD_H_
#define CUSTOR_TESTS_SUPPORT_CORVANED_CHILD_H_

#include <sys/resource.h>
#include <sys/types.h>

#include <csignal>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace corvane::testing {

// Resource limits of a child (setrlimit), as pairs of resource and value (soft and hard alike).
using Limits = std::vector<std::pair<int, rlim_t>>;

class Corvaned {
 public:
  // `limits`: the child's resource limits; a write past RLIMIT_FSIZE fails with EFBIG (SIGXFSZ is ignored).
  Corvaned(const std::string& data_dir, std::vector<std::string> args, const Limits& limits = {});
  ~Corvaned() { Stop(SIGKILL); }
  Corvaned(const Corvaned&) = delete;
  Corvaned& operator=(const Corvaned&) = delete;

  uint16_t port() const { return static_cast<uint16_t>(port_); }
  pid_t pid() const { return pid_; }
  // The key "admin" that the first start wrote, "" when there is none.
  const std::string& key() const { return key_; }
  // Sends `signal_number` (none with 0) and returns the wait status of the ended process.
  int Stop(int signal_number);

 private:
  pid_t pid_ = -1;
  int port_ = 0;
  std::string key_;
};

// Runs corvaned with `args` (e.g. {"key", "list", "--data", DIR}) to its end; its exit status, and what
// it printed on stdout in `out`.
int RunCorvaned(const std::vector<std::string>& args, std::string* out = nullptr);

// The whole first line of a file, without its line feed.
std::string FirstLine(const std::string& path);

}  // namespace corvane::testing

#endif  // CUSTOR_TESTS_SUPPORT_CORVANED_CHILD_H_
