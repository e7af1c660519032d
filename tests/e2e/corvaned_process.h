// A real corvaned for end-to-end tests: started as a child process on 127.0.0.1:0 with a temporary data
// directory, --auto-create and a request log; the test reads the exact commands each call sent. Once it is
// ready, CUSTOR_KEY_FILE names its key "admin", so that the agent's requests carry it.
#ifndef CUSTOR_TESTS_E2E_CORVANED_PROCESS_H_
#define CUSTOR_TESTS_E2E_CORVANED_PROCESS_H_

#include <sys/types.h>

#include <csignal>
#include <cstddef>
#include <string>
#include <vector>

namespace custor::e2e {

// One line of the request log.
struct LoggedRequest {
  std::string db, command, code;
};

class CorvanedProcess {
 public:
  // Starts corvaned and returns once it accepts requests (its ready file names the port).
  explicit CorvanedProcess(std::vector<std::string> extra_args = {});
  ~CorvanedProcess();  // SIGTERM, then waits; removes the data directory
  CorvanedProcess(const CorvanedProcess &) = delete;
  CorvanedProcess &operator=(const CorvanedProcess &) = delete;

  int port() const { return port_; }
  pid_t pid() const { return pid_; }
  const std::string &data_dir() const { return dir_; }
  // The file of the key "admin", which CUSTOR_KEY_FILE names.
  std::string key_file() const { return dir_ + "/data/corvaned.key"; }
  // Ends the process (if it has not ended by itself) with `signal`, SIGKILL for a crash, and starts it
  // again on the same data with other extra arguments, on a new port.
  void Start(std::vector<std::string> extra_args, int signal = SIGTERM);
  // Every request served so far, in order.
  std::vector<LoggedRequest> Log() const;
  // The audit trail of `database` as "corvaned audit --json" prints it, one JSON object a line.
  std::vector<std::string> Audit(const std::string &database) const;

 private:
  void Launch();
  void Reap(int signal);
  void KeepLog() const;
  std::string dir_;
  std::vector<std::string> extra_args_;
  pid_t pid_ = -1;
  int port_ = 0, starts_ = 0;
};

}  // namespace custor::e2e

#endif  // CUSTOR_TESTS_E2E_CORVANED_PROCESS_H_
