// The check of the access key that every request carries ("Authorization: Bearer <key>") against the
// key table of the data directory. The table is read again when it has changed, which is looked at no
// more than once per `recheck`: a key added or revoked by `corvaned key` counts within that time.
#ifndef CUSTOR_SERVER_ACCESS_KEYS_H_
#define CUSTOR_SERVER_ACCESS_KEYS_H_

#include <sys/types.h>

#include <chrono>
#include <ctime>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "key_table.h"

namespace corvane {

class AccessKeys {
 public:
  explicit AccessKeys(std::string data_dir, std::chrono::milliseconds recheck = std::chrono::seconds(1))
      : data_dir_(std::move(data_dir)), recheck_(recheck) {}

  // Reads the table. False, with `error` set, when it cannot be read.
  bool Load(std::string* error);

  // The name of the key that an Authorization field's value carries; none for a field that carries no
  // bearer key, or a key that is not in the table. Safe to call from any thread; the key is compared
  // with every entry in the same time, whatever it holds.
  std::optional<std::string> NameOf(std::string_view authorization);

 private:
  // What tells one version of the table file from another.
  struct Version {
    bool exists = false;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    bool operator==(const Version& other) const;
  };
  Version Stat() const;
  std::shared_ptr<const std::vector<KeyEntry>> Current();

  const std::string data_dir_;
  const std::chrono::milliseconds recheck_;
  std::mutex mu_;  // guards the fields below
  std::shared_ptr<const std::vector<KeyEntry>> entries_ = std::make_shared<std::vector<KeyEntry>>();
  Version version_;
  std::chrono::steady_clock::time_point next_check_;
};

// The key of an Authorization field's value "Bearer <key>" (the scheme in any case); "" for another.
std::string_view BearerKey(std::string_view authorization);

}  // namespace corvane

#endif  // CUSTOR_SERVER_ACCESS_KEYS_H_
