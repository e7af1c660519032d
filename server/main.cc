// corvaned: serves the databases of a data directory until SIGINT or SIGTERM.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "access_keys.h"
#include "audit_command.h"
#include "http_server.h"
#include "key_command.h"
#include "memory.h"
#include "options.h"
#include "private_files.h"
#include "service.h"

namespace {

// Writes the port to the ready file: straight into a pipe or FIFO, else through a renamed temporary
// file, so that a reader never sees it half written.
bool WriteReadyFile(const std::string& path, uint16_t port) {
  std::string text = std::to_string(port) + "\n";
  struct stat st;
  bool stream = ::stat(path.c_str(), &st) == 0 && S_ISFIFO(st.st_mode);
  std::string target = stream ? path : path + ".tmp";
  int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  ok = ::close(fd) == 0 && ok;
  if (!stream) ok = ok && ::rename(target.c_str(), path.c_str()) == 0;
  return ok;
}

// The data directory private to its user, the access keys (made at first start), and descriptors
// enough for --max-connections as far as the hard limit allows.
bool Prepare(const corvane::Options& options, std::unique_ptr<corvane::AccessKeys>* keys,
             std::string* error) {
  const std::string& dir = options.service.data_dir;
  if (!corvane::MakePrivateDirectory(dir, error)) return false;
  rlimit limit;
  rlim_t wanted = options.http.max_connections + 64;
  if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < wanted) {
    limit.rlim_cur = std::min(wanted, limit.rlim_max);
    ::setrlimit(RLIMIT_NOFILE, &limit);
  }
  if (!options.check_access_key) {
    std::fprintf(stderr, "corvaned: access keys are not checked: anyone who can connect may do anything\n");
    return true;
  }
  bool created = false;
  *keys = std::make_unique<corvane::AccessKeys>(dir);
  if (!corvane::EnsureKeyTable(dir, &created, error) || !(*keys)->Load(error)) return false;
  if (created)
    std::fprintf(stderr, "corvaned: made the access key \"admin\": %s/corvaned.key\n", dir.c_str());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  // Whatever corvaned creates is its user's alone, whatever the umask it was given.
  ::umask(077);
  if (argc > 1 && std::string_view(argv[1]) == "key") return corvane::RunKeyCommand(argc - 1, argv + 1);
  if (argc > 1 && std::string_view(argv[1]) == "audit")
    return corvane::RunAuditCommand(argc - 1, argv + 1, stdout);
  corvane::Options options;
  int status = corvane::ParseOptions(argc, argv, &options);
  if (status >= 0) return status;

  // The signals are taken by sigwait below; every thread started from here on inherits the mask.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  ::signal(SIGPIPE, SIG_IGN);
  corvane::KeepLargeBlocksReturnable();

  std::string error;
  std::unique_ptr<corvane::AccessKeys> keys;
  if (!Prepare(options, &keys, &error)) {
    std::fprintf(stderr, "corvaned: %s\n", error.c_str());
    return 1;
  }
  corvane::Service service(options.service);
  if (!service.Start(&error)) {
    std::fprintf(stderr, "corvaned: %s\n", error.c_str());
    return 1;
  }
  corvane::HttpServer server(&service, keys.get(), options.http);
  if (!server.Start(&error)) {
    std::fprintf(stderr, "corvaned: %s\n", error.c_str());
    return 1;
  }
  if (!options.ready_file.empty() && !WriteReadyFile(options.ready_file, server.port())) {
    std::fprintf(stderr, "corvaned: cannot write ready file %s\n", options.ready_file.c_str());
    return 1;
  }
  std::fprintf(stderr, "corvaned: listening on %s:%u\n", options.http.address.c_str(), server.port());

  int signal_number = 0;
  sigwait(&signals, &signal_number);
  service.BeginStop();  // writers waiting for a lock are answered at once, not waited out
  server.Stop();
  service.Stop();
  return 0;
}
