// Helpers of the exported layer: each exported function converts its arguments, calls the C++
// internals inside Guard, and hands back heap results that the caller owns.
#ifndef CUSTOR_LIB_CORE_ABI_H_
#define CUSTOR_LIB_CORE_ABI_H_

#include <cstdlib>
#include <new>
#include <string>
#include <string_view>

#include "core/call.h"
#include "core/session.h"
#include "custor/custor.h"

namespace custor {

// Answer of an exported function whose work could not get the memory it needed.
inline constexpr std::string_view kOutOfMemory = "VRX@DLL OUT_OF_MEMORY";
// Answer to a user id, group name, ACL name, entry text or access value that would break a command or
// a document: one holding '"', '<', '>', '&' or a byte below 0x20. Nothing is sent for it.
inline constexpr std::string_view kInvalidName = "VRX@DLL INVALID_NAME";
// Answer to a null text or record where none is allowed, or to a count outside 0..2000.
inline constexpr std::string_view kInvalidArgument = "VRX@DLL INVALID_ARGUMENT";

// Whether `name` can stand inside a command, a query literal and a document as it is.
bool IsValidName(std::string_view name) noexcept;

inline Call MakeCall(uint32_t context, const char *database, uint32_t connection, uint32_t extra) {
  return Call{context, database != nullptr ? database : "", connection, extra};
}

// The connection parameters as an exported function got them, made into a Call only inside Guard.
struct CallArgs {
  uint32_t context;
  const char *database;
  uint32_t connection;
  uint32_t extra;
  Call call() const { return MakeCall(context, database, connection, extra); }
};

// A fresh heap copy of `text` for the caller, or null when even that cannot be had.
char *ResultText(std::string_view text) noexcept;

// The status text of a returned record: read-only for the caller and never freed by it. Equal texts
// share one copy that lives until the library is unloaded, so repeated calls do not grow the process.
char *SharedStatus(std::string_view text) noexcept;

// A new SessionRecord for the caller. Made by createSession: all three texts are the caller's. Inside
// another returned record (own_status false): id and key are the caller's, status is a SharedStatus.
::SessionRecord *NewSessionRecord(const Session &session, bool own_status) noexcept;

// calloc of one record; null when the heap is exhausted.
template <typename Record>
Record *NewRecord() noexcept {
  return static_cast<Record *>(std::calloc(1, sizeof(Record)));
}

// Runs `work` so that no exception crosses the exported interface; `failure` answers instead.
template <typename Work, typename Failure>
auto Guard(Work work, Failure failure) noexcept -> decltype(work()) {
  try {
    return work();
  } catch (...) {
    return failure();
  }
}

}  // namespace custor

#endif  // CUSTOR_LIB_CORE_ABI_H_
