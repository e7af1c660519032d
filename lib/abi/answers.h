// The exported layer's own answers, and how each kind of result goes to the caller: as a new text or
// record that the caller owns (status texts of records excepted, which are the library's), or, when
// the arguments were refused or memory ran out, as the same kind of result saying so.
#ifndef CUSTOR_LIB_ABI_ANSWERS_H_
#define CUSTOR_LIB_ABI_ANSWERS_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "core/session.h"
#include "core/status.h"
#include "custor/custor.h"
#include "queries/records.h"

namespace custor {

// The work of an exported function could not get the memory it needed.
inline constexpr std::string_view kOutOfMemory = "VRX@DLL OUT_OF_MEMORY";
// A user id, group name, ACL name, entry text or access value that would break a command or a
// document: one holding '"', '<', '>', '&' or a byte below 0x20. Nothing is sent for it.
inline constexpr std::string_view kInvalidName = "VRX@DLL INVALID_NAME";
// A null text or record where none is allowed, or a count outside 0..2000.
inline constexpr std::string_view kInvalidArgument = "VRX@DLL INVALID_ARGUMENT";
// A null session or an unknown mode handed to endTransaction or endTransactionNew.
inline constexpr std::string_view kInvalidSession = "Invalid Session";

// The exported form of `status`: "0" for success, else its failure's text.
inline std::string_view TextOf(const Status &status) {
  return status.ok() ? std::string_view("0") : std::string_view(status.failure());
}

// A fresh heap copy of `text` for the caller, or null when even that cannot be had.
char *ResultText(std::string_view text) noexcept;

// The status text of a returned record: read-only for the caller and never freed by it. Equal texts
// share one copy that lives until the library is unloaded, so repeated calls do not grow the process.
// Throws std::bad_alloc when the copy cannot be made.
char *SharedStatus(std::string_view text);

// Returned<R>::Of(result) hands the internal result over as R, or throws std::bad_alloc before it makes
// anything; Returned<R>::Refused(text) makes the R that answers `text` instead. Both give null when the
// heap is exhausted.
template <typename R>
struct Returned;

template <>
struct Returned<char *> {
  static char *Of(const std::string &text) noexcept { return ResultText(text); }
  static char *Of(const Status &status) noexcept { return ResultText(TextOf(status)); }
  static char *Refused(std::string_view text) noexcept { return ResultText(text); }
};

// createSession's record: all three texts are the caller's.
template <>
struct Returned<::SessionRecord *> {
  static ::SessionRecord *Of(const Session &session) noexcept;
  static ::SessionRecord *Refused(std::string_view text) noexcept;
};

// endTransactionNew's outcome: code "kivcode not supported" and the message.
template <>
struct Returned<::TransactionOutcome *> {
  static ::TransactionOutcome *Of(const std::string &message) noexcept { return Refused(message); }
  static ::TransactionOutcome *Refused(std::string_view message) noexcept;
};

// The records of the readers: full size, every text the caller's but the status texts. A refusal is an
// otherwise empty record whose status says why nothing was read.
template <typename Record>
struct RecordReturned {
  static Record *Refused(std::string_view text) noexcept;
};
template <>
struct Returned<::NameList *> : RecordReturned<::NameList> {
  static ::NameList *Of(const Names &names);
};
template <>
struct Returned<::UserDataList *> : RecordReturned<::UserDataList> {
  static ::UserDataList *Of(const UserDataTable &table);
};
template <>
struct Returned<::UserRecord *> : RecordReturned<::UserRecord> {
  static ::UserRecord *Of(const UserDetails &user);
};
template <>
struct Returned<::GroupRecord *> : RecordReturned<::GroupRecord> {
  static ::GroupRecord *Of(const GroupData &group);
};
template <>
struct Returned<::AclRecord *> : RecordReturned<::AclRecord> {
  static ::AclRecord *Of(const AclData &acl);
};

// db_isreadonly: a refused database reads as not read-only.
template <>
struct Returned<int32_t> {
  static int32_t Of(int32_t answer) noexcept { return answer; }
  static int32_t Refused(std::string_view) noexcept { return 0; }
};

}  // namespace custor

#endif  // CUSTOR_LIB_ABI_ANSWERS_H_
