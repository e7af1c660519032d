#include "e2e/corvaned_process.h"

#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace custor::e2e {
namespace {

std::string ReadFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

// The port in the ready file once it has been written, or 0.
int ReadyPort(const std::string &path) { return std::atoi(ReadFile(path).c_str()); }

// Appends the UTF-8 encoding of code point `cp`.
void AppendUtf8(unsigned cp, std::string *out) {
  if (cp < 0x80) {
    *out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    *out += static_cast<char>(0xC0 | (cp >> 6));
    *out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    *out += static_cast<char>(0xE0 | (cp >> 12));
    *out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Reads the JSON string starting at `pos` (just after its opening quote) into `out`.
bool ReadJsonString(const std::string &line, std::size_t *pos, std::string *out) {
  out->clear();
  while (*pos < line.size()) {
    const char c = line[(*pos)++];
    if (c == '"') return true;
    if (c != '\\') {
      *out += c;
      continue;
    }
    if (*pos >= line.size()) return false;
    const char e = line[(*pos)++];
    switch (e) {
      case 'n':
        *out += '\n';
        break;
      case 't':
        *out += '\t';
        break;
      case 'r':
        *out += '\r';
        break;
      case 'b':
        *out += '\b';
        break;
      case 'f':
        *out += '\f';
        break;
      case 'u': {
        if (*pos + 4 > line.size()) return false;
        AppendUtf8(static_cast<unsigned>(std::stoul(line.substr(*pos, 4), nullptr, 16)), out);
        *pos += 4;
        break;
      }
      default:
        *out += e;
    }
  }
  return false;
}

}  // namespace

bool ParseLogLine(const std::string &line, LoggedRequest *request) {
  std::string *fields[] = {&request->db, &request->command, &request->code};
  const char *names[] = {"{\"db\":\"", ",\"command\":\"", ",\"code\":\""};
  std::size_t pos = 0;
  for (int i = 0; i < 3; ++i) {
    const std::size_t n = std::strlen(names[i]);
    if (line.compare(pos, n, names[i]) != 0) return false;
    pos += n;
    if (!ReadJsonString(line, &pos, fields[i])) return false;
  }
  return line.compare(pos, std::string::npos, "}") == 0;
}

CorvanedProcess::CorvanedProcess(std::vector<std::string> extra_args) : extra_args_(std::move(extra_args)) {
  char pattern[] = "/tmp/custor-e2e-XXXXXX";
  if (mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp failed");
  dir_ = pattern;
  Launch();
}

CorvanedProcess::~CorvanedProcess() {
  Reap(SIGTERM);
  std::error_code ignored;
  std::filesystem::remove_all(dir_, ignored);
}

void CorvanedProcess::Launch() {
  const std::string ready = dir_ + "/ready-" + std::to_string(++starts_);
  int watch = inotify_init1(IN_CLOEXEC);
  if (watch < 0 || inotify_add_watch(watch, dir_.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO) < 0) {
    throw std::runtime_error("inotify failed");
  }
  std::vector<std::string> args = {
      CUSTOR_CORVANED, "--listen",     "127.0.0.1:0", "--data",        dir_ + "/data",
      "--auto-create", "--ready-file", ready,         "--request-log", dir_ + "/requests.log"};
  args.insert(args.end(), extra_args_.begin(), extra_args_.end());
  pid_ = fork();
  if (pid_ == 0) {
    std::vector<char *> argv;
    for (std::string &arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  // Wait on the ready file, not on a clock: every close or rename in the directory is a look.
  while ((port_ = ReadyPort(ready)) == 0) {
    pollfd fd{watch, POLLIN, 0};
    if (poll(&fd, 1, 20000) <= 0) {
      close(watch);
      throw std::runtime_error("corvaned did not become ready");
    }
    char events[4096];
    if (read(watch, events, sizeof events) < 0 && errno != EINTR) break;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      close(watch);
      throw std::runtime_error("corvaned exited before it was ready");
    }
  }
  close(watch);
}

void CorvanedProcess::Reap(int signal) {
  if (pid_ <= 0) return;
  if (signal != 0) kill(pid_, signal);
  int status = 0;
  waitpid(pid_, &status, 0);
  pid_ = -1;
}

void CorvanedProcess::KillAndRestart() {
  Reap(SIGKILL);
  Launch();
}

void CorvanedProcess::WaitAndRestart() {
  Reap(0);
  Launch();
}

void CorvanedProcess::Start(std::vector<std::string> extra_args) {
  Reap(SIGTERM);
  extra_args_ = std::move(extra_args);
  Launch();
}

std::vector<LoggedRequest> CorvanedProcess::Log() const {
  std::vector<LoggedRequest> log;
  std::istringstream lines(ReadFile(dir_ + "/requests.log"));
  std::string line;
  while (std::getline(lines, line)) {
    LoggedRequest request;
    if (ParseLogLine(line, &request)) log.push_back(std::move(request));
  }
  return log;
}

std::vector<std::string> CorvanedProcess::CommandsSince(std::size_t mark, const std::string &db) const {
  std::vector<std::string> commands;
  const std::vector<LoggedRequest> log = Log();
  for (std::size_t i = mark; i < log.size(); ++i) {
    if (log[i].db == db) commands.push_back(log[i].command);
  }
  return commands;
}

}  // namespace custor::e2e
