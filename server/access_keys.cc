#include "access_keys.h"

#include <sys/stat.h>

namespace corvane {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::string_view BearerKey(std::string_view authorization) {
  constexpr std::string_view kScheme = "bearer";
  if (authorization.size() <= kScheme.size() || !IsBlank(authorization[kScheme.size()])) return {};
  for (size_t i = 0; i < kScheme.size(); ++i) {
    if ((authorization[i] | 0x20) != kScheme[i]) return {};
  }
  std::string_view key = authorization.substr(kScheme.size());
  while (!key.empty() && IsBlank(key.front())) key.remove_prefix(1);
  while (!key.empty() && IsBlank(key.back())) key.remove_suffix(1);
  return key;
}

bool AccessKeys::Version::operator==(const Version& other) const {
  return exists == other.exists && inode == other.inode && size == other.size &&
         modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec;
}

AccessKeys::Version AccessKeys::Stat() const {
  struct stat st;
  if (::stat((data_dir_ + "/" + kKeyTableName).c_str(), &st) != 0) return {};
  return {true, st.st_ino, st.st_size, st.st_mtim};
}

bool AccessKeys::Load(std::string* error) {
  Version version = Stat();
  auto entries = std::make_shared<std::vector<KeyEntry>>();
  bool exists = false;
  if (!ReadKeyTable(data_dir_, entries.get(), &exists, error)) return false;
  std::lock_guard lock(mu_);
  entries_ = std::move(entries);
  version_ = version;
  next_check_ = std::chrono::steady_clock::now() + recheck_;
  return true;
}

std::shared_ptr<const std::vector<KeyEntry>> AccessKeys::Current() {
  std::lock_guard lock(mu_);
  auto now = std::chrono::steady_clock::now();
  if (now < next_check_) return entries_;
  next_check_ = now + recheck_;
  Version version = Stat();
  if (version == version_) return entries_;
  // A table that is gone or cannot be read lets nobody in until it can be read again.
  auto entries = std::make_shared<std::vector<KeyEntry>>();
  bool exists = false;
  std::string error;
  if (!ReadKeyTable(data_dir_, entries.get(), &exists, &error)) version = {};
  entries_ = std::move(entries);
  version_ = version;
  return entries_;
}

std::optional<std::string> AccessKeys::NameOf(std::string_view authorization) {
  std::string_view key = BearerKey(authorization);
  if (key.empty()) return std::nullopt;
  const Sha256Digest hash = Sha256(key);
  std::shared_ptr<const std::vector<KeyEntry>> entries = Current();
  const KeyEntry* match = nullptr;
  for (const KeyEntry& entry : *entries) {
    // Every byte of every entry is looked at: how long this takes tells nothing of the key.
    uint8_t difference = 0;
    for (size_t i = 0; i < hash.size(); ++i) difference |= static_cast<uint8_t>(hash[i] ^ entry.hash[i]);
    if (difference == 0) match = &entry;
  }
  if (match == nullptr) return std::nullopt;
  return match->name;
}

}  // namespace corvane
