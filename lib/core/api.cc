// Exported functions of the server access core: sessions and the library frame.
#include <cstdio>

#include "core/abi.h"
#include "core/frame.h"
#include "core/session.h"
#include "core/text.h"

using custor::Guard;
using custor::MakeCall;

namespace {

// A caller's SessionRecord as the internals read it; missing texts read as "".
custor::Session FromRecord(const SessionRecord &record) {
  auto text = [](const char *t) { return std::string(t != nullptr ? t : ""); };
  return custor::Session{text(record.sessionId), text(record.sessionKey), text(record.status)};
}

}  // namespace

extern "C" {

SessionRecord *createSession(uint32_t context, const char *database, uint32_t connection, uint32_t extra) {
  return Guard(
      [&] {
        if (database == nullptr) {
          return custor::NewSessionRecord(custor::Session{"0", "0", std::string(custor::kInvalidArgument)},
                                          true);
        }
        return custor::NewSessionRecord(custor::createSession(MakeCall(context, database, connection, extra)),
                                        true);
      },
      [] {
        return custor::NewSessionRecord(custor::Session{"0", "0", std::string(custor::kOutOfMemory)}, true);
      });
}

char *endTransaction(SessionRecord *session, uint32_t context, const char *database, uint32_t connection,
                     uint32_t extra, int32_t mode) {
  return Guard(
      [&] {
        if (session == nullptr) return custor::ResultText(custor::kInvalidSession);
        if (database == nullptr) return custor::ResultText(custor::kInvalidArgument);
        const custor::Session given = FromRecord(*session);
        return custor::ResultText(
            custor::endTransaction(&given, MakeCall(context, database, connection, extra), mode));
      },
      [] { return custor::ResultText(custor::kOutOfMemory); });
}

TransactionOutcome *endTransactionNew(SessionRecord *session, uint32_t context, const char *database,
                                      uint32_t connection, uint32_t extra, int32_t mode) {
  auto *outcome = custor::NewRecord<TransactionOutcome>();
  if (outcome == nullptr) return nullptr;
  const custor::TransactionEnd end = Guard(
      [&] {
        if (session == nullptr) return custor::endTransactionNew(nullptr, custor::Call{}, mode);
        if (database == nullptr) {
          return custor::TransactionEnd{"kivcode not supported", std::string(custor::kInvalidArgument)};
        }
        const custor::Session given = FromRecord(*session);
        return custor::endTransactionNew(&given, MakeCall(context, database, connection, extra), mode);
      },
      [] {
        return custor::TransactionEnd{"kivcode not supported", std::string(custor::kOutOfMemory)};
      });
  outcome->code = custor::ResultText(end.code);
  outcome->message = custor::ResultText(end.message);
  return outcome;
}

char *giveBuild(void) {
  auto *banner = static_cast<char *>(std::malloc(1024 + 1));
  if (banner != nullptr) std::snprintf(banner, 1024 + 1, "CustorDLL Build: %s", custor::kBuild);
  return banner;
}

int32_t db_isreadonly(const char *database) {
  if (database == nullptr) return 0;
  return custor::db_isreadonly(database);
}

}  // extern "C"
