#include "key_table.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "private_files.h"

namespace corvane {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string Hex(const uint8_t* bytes, size_t size) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(2 * size);
  for (size_t i = 0; i < size; ++i) {
    hex.push_back(kHex[bytes[i] >> 4]);
    hex.push_back(kHex[bytes[i] & 0xF]);
  }
  return hex;
}

// Holds the lock of a data directory for changes of its key table.
class DirectoryLock {
 public:
  explicit DirectoryLock(const std::string& dir)
      : fd_(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    while (fd_ >= 0 && ::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
    }
  }
  ~DirectoryLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  DirectoryLock(const DirectoryLock&) = delete;
  DirectoryLock& operator=(const DirectoryLock&) = delete;
  bool held(const std::string& dir, std::string* error) const {
    if (fd_ < 0) *error = "cannot open data directory " + dir + ": " + std::strerror(errno);
    return fd_ >= 0;
  }

 private:
  int fd_;
};

// The table's text; "" for a table that does not exist, which `exists` tells.
bool ReadTable(const std::string& dir, std::string* text, bool* exists, std::string* error) {
  const std::string path = dir + "/" + kKeyTableName;
  text->clear();
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  *exists = fd >= 0 || errno != ENOENT;
  if (fd < 0 && !*exists) return true;
  bool ok = fd >= 0;
  char chunk[4096];
  for (ssize_t n = 0; ok && (n = ::read(fd, chunk, sizeof chunk)) != 0;) {
    ok = n > 0 || errno == EINTR;
    if (n > 0) text->append(chunk, static_cast<size_t>(n));
  }
  if (!ok) *error = "cannot read key table " + path + ": " + std::strerror(errno);
  if (fd >= 0) ::close(fd);
  return ok;
}

std::string Line(const std::string& name, const std::string& key) {
  return name + "\t" + Sha256Hex(key) + "\n";
}

}  // namespace

std::vector<KeyEntry> ParseKeyTable(std::string_view text) {
  std::vector<KeyEntry> entries;
  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    size_t tab = line.find('\t');
    if (tab == std::string_view::npos || line.size() - tab - 1 != 64 || !ValidKeyName(line.substr(0, tab))) {
      continue;
    }
    KeyEntry entry{std::string(line.substr(0, tab)), {}};
    bool hex = true;
    for (size_t i = 0; i < 32 && hex; ++i) {
      int high = HexDigit(line[tab + 1 + 2 * i]), low = HexDigit(line[tab + 2 + 2 * i]);
      hex = high >= 0 && low >= 0;
      entry.hash[i] = static_cast<uint8_t>(high << 4 | low);
    }
    if (hex) entries.push_back(std::move(entry));
  }
  return entries;
}

bool ValidKeyName(std::string_view name) {
  return !name.empty() && name.size() <= 64 && std::all_of(name.begin(), name.end(), [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || c == '.' || c == '@';
  });
}

bool NewAccessKey(std::string* key, std::string* error) {
  uint8_t bytes[32];
  for (size_t got = 0; got < sizeof bytes;) {
    ssize_t n = ::getrandom(bytes + got, sizeof bytes - got, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      *error = std::string("cannot get random bytes: ") + std::strerror(errno);
      return false;
    }
    got += static_cast<size_t>(n);
  }
  *key = Hex(bytes, sizeof bytes);
  return true;
}

bool EnsureKeyTable(const std::string& dir, bool* created, std::string* error) {
  *created = false;
  DirectoryLock lock(dir);
  std::string text, key;
  bool exists = false;
  if (!lock.held(dir, error) || !ReadTable(dir, &text, &exists, error)) return false;
  if (exists) return true;
  // The key file first: a start cut off before the table is written makes a new key next time.
  *created = NewAccessKey(&key, error) && WritePrivateFile(dir + "/" + kAdminKeyName, key + "\n", error) &&
             WritePrivateFile(dir + "/" + kKeyTableName, Line("admin", key), error);
  return *created;
}

bool AddKey(const std::string& dir, const std::string& name, const std::string& key, std::string* error) {
  if (!ValidKeyName(name)) {
    *error = "invalid key name \"" + name + "\": 1 to 64 of A-Z a-z 0-9 _ - . @";
    return false;
  }
  DirectoryLock lock(dir);
  std::string text;
  bool exists = false;
  if (!lock.held(dir, error) || !ReadTable(dir, &text, &exists, error)) return false;
  for (const KeyEntry& entry : ParseKeyTable(text)) {
    if (entry.name == name) {
      *error = "a key named \"" + name + "\" exists";
      return false;
    }
  }
  if (!text.empty() && text.back() != '\n') text += '\n';
  return WritePrivateFile(dir + "/" + kKeyTableName, text + Line(name, key), error);
}

bool RevokeKey(const std::string& dir, const std::string& name, std::string* error) {
  DirectoryLock lock(dir);
  std::string text, kept;
  bool exists = false, found = false;
  if (!lock.held(dir, error) || !ReadTable(dir, &text, &exists, error)) return false;
  std::string_view rest = text;
  while (!rest.empty()) {
    size_t end = rest.find('\n');
    std::string_view line = rest.substr(0, end == std::string_view::npos ? rest.size() : end + 1);
    rest.remove_prefix(line.size());
    bool named =
        line.size() > name.size() && line.substr(0, name.size()) == name && line[name.size()] == '\t';
    found = found || named;
    if (!named) kept += line;
  }
  if (!found) {
    *error = "no key named \"" + name + "\"";
    return false;
  }
  return WritePrivateFile(dir + "/" + kKeyTableName, kept, error);
}

bool ReadKeyTable(const std::string& dir, std::vector<KeyEntry>* entries, bool* exists, std::string* error) {
  std::string text;
  if (!ReadTable(dir, &text, exists, error)) return false;
  *entries = ParseKeyTable(text);
  return true;
}

}  // namespace corvane
