#include "private_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace corvane {

namespace {

bool Fail(std::string* error, const std::string& what, const std::string& path) {
  *error = what + " " + path + ": " + std::strerror(errno);
  return false;
}

// Clears the group and other bits of `path` (not following a symbolic link) when it is ours.
bool Restrict(int dir_fd, const char* name, const std::string& path, std::string* error) {
  struct stat st;
  if (::fstatat(dir_fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return Fail(error, "cannot read", path);
  if (S_ISLNK(st.st_mode) || (st.st_mode & 077) == 0 || st.st_uid != ::geteuid()) return true;
  if (::fchmodat(dir_fd, name, st.st_mode & 0700, 0) != 0) return Fail(error, "cannot make private", path);
  return true;
}

}  // namespace

bool MakePrivateDirectory(const std::string& path, std::string* error) {
  std::error_code ec;
  std::filesystem::path parent = std::filesystem::path(path).parent_path();
  if (!parent.empty()) std::filesystem::create_directories(parent, ec);
  if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return Fail(error, "cannot create", path);
  if (::chmod(path.c_str(), 0700) != 0) return Fail(error, "cannot make private", path);
  DIR* dir = ::opendir(path.c_str());
  if (dir == nullptr) return Fail(error, "cannot read", path);
  bool ok = true;
  while (const dirent* entry = ::readdir(dir)) {
    std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    ok = Restrict(::dirfd(dir), entry->d_name, path + "/" + entry->d_name, error);
    if (!ok) break;
  }
  ::closedir(dir);
  return ok;
}

bool WritePrivateFile(const std::string& path, std::string_view text, std::string* error) {
  std::string temporary = path + ".XXXXXX";
  int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) return Fail(error, "cannot create", temporary);
  bool ok = ::fchmod(fd, 0600) == 0;
  for (size_t done = 0; ok && done < text.size();) {
    ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) done += static_cast<size_t>(n);
  }
  ok = ok && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  ok = ok && ::rename(temporary.c_str(), path.c_str()) == 0;
  if (!ok) {
    int saved = errno;
    ::unlink(temporary.c_str());
    errno = saved;
    return Fail(error, "cannot write", path);
  }
  // The rename itself lasts once the directory is synced.
  std::string dir = std::filesystem::path(path).parent_path().string();
  int dir_fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir_fd >= 0) {
    ::fsync(dir_fd);
    ::close(dir_fd);
  }
  return true;
}

}  // namespace corvane
