// Exported functions of the server access core: sessions and the library frame.
#include "abi/export.h"
#include "core/frame.h"
#include "core/session.h"

using custor::Arguments;
using custor::Call;
using custor::Export;

namespace {

// What endTransaction answers, and endTransactionNew gives as its message: a null session, or a mode
// other than 0 (commit) and 1 (rollback), sends nothing.
std::optional<std::string> EndAnswer(Arguments &in, const SessionRecord *session, uint32_t context,
                                     const char *database, uint32_t connection, uint32_t extra,
                                     int32_t mode) {
  if (session == nullptr) return std::string(custor::kInvalidSession);
  const Call call = in.CallTo(context, database, connection, extra);
  return in.Then([&] {
    if (mode != 0 && mode != 1) return std::string(custor::kInvalidSession);
    const custor::End end = mode == 0 ? custor::End::kCommit : custor::End::kRollback;
    return custor::EndSession(Arguments::SessionOf(*session), call, end);
  });
}

}  // namespace

extern "C" {

SessionRecord *createSession(uint32_t context, const char *database, uint32_t connection, uint32_t extra) {
  return Export<SessionRecord *>([&](Arguments &in) {
    const Call call = in.CallTo(context, database, connection, extra);
    return in.Then([&] { return custor::OpenSession(call); });
  });
}

char *endTransaction(SessionRecord *session, uint32_t context, const char *database, uint32_t connection,
                     uint32_t extra, int32_t mode) {
  return Export<char *>(
      [&](Arguments &in) { return EndAnswer(in, session, context, database, connection, extra, mode); });
}

TransactionOutcome *endTransactionNew(SessionRecord *session, uint32_t context, const char *database,
                                      uint32_t connection, uint32_t extra, int32_t mode) {
  return Export<TransactionOutcome *>(
      [&](Arguments &in) { return EndAnswer(in, session, context, database, connection, extra, mode); });
}

char *giveBuild(void) {
  return Export<char *>([](Arguments &in) { return in.Then(custor::BuildBanner); });
}

int32_t db_isreadonly(const char *database) {
  return Export<int32_t>([&](Arguments &in) {
    in.Text(database);
    return in.Then([&] { return custor::IsReadOnly(database); });
  });
}

}  // extern "C"
