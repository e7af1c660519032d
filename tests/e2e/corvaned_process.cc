#include "e2e/corvaned_process.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <sstream>
#include <stdexcept>

namespace custor::e2e {
namespace {

std::string ReadFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

}  // namespace

CorvanedProcess::CorvanedProcess(std::vector<std::string> extra_args) : extra_args_(std::move(extra_args)) {
  // Under TMPDIR when it is set (a benchmark may want a file system without fsync costs).
  const char *tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/custor-e2e-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  dir_ = pattern;
  Launch();
}

CorvanedProcess::~CorvanedProcess() {
  Reap(SIGTERM);
  KeepLog();
  std::error_code ignored;
  std::filesystem::remove_all(dir_, ignored);
}

// With CUSTOR_E2E_LOG_DIR set, the request log is kept there as PROGRAM.FILTER.N.log, so that the
// commands of a whole run can be compared with those of another commit.
void CorvanedProcess::KeepLog() const {
  const char *keep = std::getenv("CUSTOR_E2E_LOG_DIR");
  if (keep == nullptr || *keep == '\0') return;
  static int kept = 0;
  const std::string name = std::string(program_invocation_short_name) + "." + ::testing::GTEST_FLAG(filter) +
                           "." + std::to_string(++kept) + ".log";
  std::error_code ignored;
  std::filesystem::create_directories(keep, ignored);
  std::filesystem::copy_file(dir_ + "/requests.log", std::filesystem::path(keep) / name,
                             std::filesystem::copy_options::overwrite_existing, ignored);
}

void CorvanedProcess::Launch() {
  const std::string ready = dir_ + "/ready-" + std::to_string(++starts_);
  std::vector<std::string> args = {
      CUSTOR_CORVANED, "--listen",     "127.0.0.1:0", "--data",        dir_ + "/data",
      "--auto-create", "--ready-file", ready,         "--request-log", dir_ + "/requests.log"};
  args.insert(args.end(), extra_args_.begin(), extra_args_.end());
  pid_ = fork();
  if (pid_ == 0) {
    std::vector<char *> argv;
    argv.reserve(args.size() + 1);
    for (std::string &arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  // The server writes the ready file (by a rename) once it accepts requests.
  for (int waited = 0; (port_ = std::atoi(ReadFile(ready).c_str())) == 0; ++waited) {
    if (waitpid(pid_, nullptr, WNOHANG) == pid_) pid_ = -1;
    if (pid_ < 0 || waited == 4000) {
      Reap(SIGKILL);
      throw std::runtime_error("corvaned did not become ready");
    }
    usleep(5000);
  }
  setenv("CUSTOR_KEY_FILE", key_file().c_str(), 1);
}

void CorvanedProcess::Reap(int signal) {
  if (pid_ <= 0) return;
  kill(pid_, signal);
  waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

void CorvanedProcess::Start(std::vector<std::string> extra_args, int signal) {
  Reap(signal);
  extra_args_ = std::move(extra_args);
  Launch();
}

std::vector<LoggedRequest> CorvanedProcess::Log() const {
  std::vector<LoggedRequest> log;
  std::istringstream lines(ReadFile(dir_ + "/requests.log"));
  for (std::string line; std::getline(lines, line);) {
    // {"db":…,"command":…,"code":…}; a line cut short by a crash is no JSON and is left out.
    const nlohmann::json object = nlohmann::json::parse(line, nullptr, false);
    if (object.is_object())
      log.push_back({object.value("db", ""), object.value("command", ""), object.value("code", "")});
  }
  return log;
}

std::vector<std::string> CorvanedProcess::Audit(const std::string &database) const {
  const std::string command =
      std::string(CUSTOR_CORVANED) + " audit --json --data '" + dir_ + "/data' --database '" + database + "'";
  std::vector<std::string> lines;
  FILE *out = popen(command.c_str(), "r");
  if (out == nullptr) throw std::runtime_error("cannot run " + command);
  std::string text;
  char block[4096];
  for (size_t n; (n = std::fread(block, 1, sizeof block, out)) > 0;) text.append(block, n);
  if (pclose(out) != 0) throw std::runtime_error(command + " failed");
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace custor::e2e
