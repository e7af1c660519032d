// A real corvaned for end-to-end tests: started as a child process on 127.0.0.1:0 with a temporary data
// directory, --auto-create and a request log; the test reads the exact commands each call sent.
#ifndef CUSTOR_TESTS_E2E_CORVANED_PROCESS_H_
#define CUSTOR_TESTS_E2E_CORVANED_PROCESS_H_

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <vector>

namespace custor::e2e {

// One line of the request log.
struct LoggedRequest {
  std::string db;
  std::string command;
  std::string code;
};

class CorvanedProcess {
 public:
  // Starts corvaned and returns once it accepts requests (its ready file names the port).
  explicit CorvanedProcess(std::vector<std::string> extra_args = {});
  ~CorvanedProcess();  // SIGTERM, then waits; removes the data directory
  CorvanedProcess(const CorvanedProcess &) = delete;
  CorvanedProcess &operator=(const CorvanedProcess &) = delete;

  int port() const { return port_; }
  const std::string &data_dir() const { return dir_; }

  // Ends the process with SIGKILL (a crash) and starts it again on the same data directory, on a new
  // port.
  void KillAndRestart();
  // Waits for the process to exit by itself (as --exit-after-requests makes it) and starts it again.
  void WaitAndRestart();
  // Starts it again with other extra arguments after it ended.
  void Start(std::vector<std::string> extra_args);

  // Every request served so far, in order.
  std::vector<LoggedRequest> Log() const;
  // The commands logged for database `db` from position `mark` of the log on.
  std::vector<std::string> CommandsSince(std::size_t mark, const std::string &db) const;
  std::size_t LogSize() const { return Log().size(); }

 private:
  void Launch();
  void Reap(int signal);

  std::string dir_;
  std::vector<std::string> extra_args_;
  pid_t pid_ = -1;
  int port_ = 0;
  int starts_ = 0;
};

// Decodes one log line; false when it is not of the log's shape.
bool ParseLogLine(const std::string &line, LoggedRequest *request);

}  // namespace custor::e2e

#endif  // CUSTOR_TESTS_E2E_CORVANED_PROCESS_H_
