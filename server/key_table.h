// The access keys of a data directory. DIR/keys holds one "NAME<TAB>SHA-256 of the key in hex" line per
// key, never a key itself; the first start makes the key "admin" and writes it to DIR/corvaned.key. A
// change of the table takes a lock on the directory, so that two key commands at once lose nothing, and
// replaces the file whole, so that a running server reads the old or the new table, never a part.
#ifndef CUSTOR_SERVER_KEY_TABLE_H_
#define CUSTOR_SERVER_KEY_TABLE_H_

#include <string>
#include <string_view>
#include <vector>

#include "sha256.h"

namespace corvane {

inline constexpr char kKeyTableName[] = "keys";
inline constexpr char kAdminKeyName[] = "corvaned.key";

struct KeyEntry {
  std::string name;
  Sha256Digest hash;
};

// The entries of a table's text; a line that is not NAME<TAB>64 hex digits is skipped.
std::vector<KeyEntry> ParseKeyTable(std::string_view text);

// Key names: 1 to 64 of A-Z a-z 0-9 _ - . @
bool ValidKeyName(std::string_view name);

// A new key: 32 bytes from the kernel as 64 lower-case hex digits.
bool NewAccessKey(std::string* key, std::string* error);

// When `dir` has no key table, makes one with the key "admin" and writes that key to DIR/corvaned.key;
// `created` says whether it did.
bool EnsureKeyTable(const std::string& dir, bool* created, std::string* error);
// Adds `key` (from NewAccessKey) under `name`, a name not in the table.
bool AddKey(const std::string& dir, const std::string& name, const std::string& key, std::string* error);
// Removes the key named `name`.
bool RevokeKey(const std::string& dir, const std::string& name, std::string* error);
// The entries of the table of `dir`, in its order; none when there is no table, which `exists` tells.
bool ReadKeyTable(const std::string& dir, std::vector<KeyEntry>* entries, bool* exists, std::string* error);

}  // namespace corvane

#endif  // CUSTOR_SERVER_KEY_TABLE_H_
