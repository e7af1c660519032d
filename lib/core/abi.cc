#include "core/abi.h"

#include <cstdlib>
#include <cstring>
#include <unordered_set>

#include "core/text.h"

namespace custor {

bool IsValidName(std::string_view name) noexcept {
  for (const char c : name) {
    if (c == '"' || c == '<' || c == '>' || c == '&' || static_cast<unsigned char>(c) < 0x20) return false;
  }
  return true;
}

char *ResultText(std::string_view text) noexcept {
  auto *copy = static_cast<char *>(std::malloc(text.size() + 1));
  if (copy == nullptr) return nullptr;
  if (!text.empty()) std::memcpy(copy, text.data(), text.size());
  copy[text.size()] = '\0';
  return copy;
}

char *SharedStatus(std::string_view text) noexcept {
  // Released when the library is unloaded, so a loaded-and-unloaded library leaves nothing behind.
  static std::unordered_set<std::string> statuses;
  try {
    return const_cast<char *>(statuses.emplace(text).first->c_str());
  } catch (...) {
    static char out_of_memory[] = "VRX@DLL OUT_OF_MEMORY";
    return out_of_memory;
  }
}

::SessionRecord *NewSessionRecord(const Session &session, bool own_status) noexcept {
  auto *record = NewRecord<::SessionRecord>();
  if (record == nullptr) return nullptr;
  record->sessionId = ResultText(session.sessionId);
  record->sessionKey = ResultText(session.sessionKey);
  record->status = own_status ? ResultText(session.status) : SharedStatus(session.status);
  return record;
}

}  // namespace custor
