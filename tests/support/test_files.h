// Test helpers: an environment variable set for one scope, and a file that lives for one scope.
#ifndef CUSTOR_TESTS_SUPPORT_TEST_FILES_H_
#define CUSTOR_TESTS_SUPPORT_TEST_FILES_H_

#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <optional>
#include <string>

namespace custor::agent::testing {

class ScopedEnv {
 public:
  ScopedEnv(const char *name, const std::optional<std::string> &value) : name_(name) {
    if (const char *old = getenv(name)) old_ = old;
    Set(name, value);
  }
  ~ScopedEnv() { Set(name_, old_); }
  ScopedEnv(const ScopedEnv &) = delete;
  ScopedEnv &operator=(const ScopedEnv &) = delete;

 private:
  static void Set(const char *name, const std::optional<std::string> &value) {
#ifdef _WIN32
    _putenv_s(name, value ? value->c_str() : "");  // "" removes it
#else
    if (value) {
      setenv(name, value->c_str(), 1);
    } else {
      unsetenv(name);
    }
#endif
  }

  const char *name_;
  std::optional<std::string> old_;
};

class TempFile {
 public:
  explicit TempFile(const std::string &content) {
    char name[] = "/tmp/custor-agent-test-XXXXXX";
    const int fd = mkstemp(name);
    if (fd >= 0) close(fd);
    path_ = name;
    std::ofstream(path_, std::ios::binary) << content;
  }
  ~TempFile() { unlink(path_.c_str()); }
  TempFile(const TempFile &) = delete;
  TempFile &operator=(const TempFile &) = delete;
  const std::string &path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace custor::agent::testing

#endif  // CUSTOR_TESTS_SUPPORT_TEST_FILES_H_
