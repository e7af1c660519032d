// The audit trail: one row per document that a committed transaction changed, written in the same
// SQLite transaction as the change, so that there is a row exactly for what was committed.
#ifndef CUSTOR_SERVER_AUDIT_H_
#define CUSTOR_SERVER_AUDIT_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "collection.h"
#include "document.h"

namespace corvane {

// Who sent a request, as the HTTP layer knows it: the name of the access key it carried (empty when
// keys are not checked) and the client's address.
struct Caller {
  std::string key_name;
  std::string address;
};

// Who commits: the session (its id; empty for a sessionless write) and the caller of the request that
// commits.
struct Author {
  std::string session;
  Caller caller;
};

struct AuditRow {
  int64_t time_ms = 0;  // UTC, milliseconds since 1970
  std::string session, key_name, client;
  std::string kind;  // "user", "group" or "acl"
  std::string name;
  std::optional<std::string> before, after;  // the stored document; none for a create, a delete
};

// The rows for committing `changes` over `committed`: a create, a delete, or a change of content under
// the same name; a rename is a delete and a create. A document stored again as it was is no change.
std::vector<AuditRow> AuditRows(const Changes& changes, const Collection& committed, const Author& author,
                                int64_t time_ms);

// The current time in UTC milliseconds.
int64_t NowMs();
// "2024-05-01T12:00:00.250Z" for a time in UTC milliseconds.
std::string FormatTime(int64_t time_ms);
// Reads "YYYY-MM-DD", "YYYY-MM-DDTHH:MM:SS" with an optional ".mmm" and "Z" (a blank may stand for
// the "T"), in UTC. Nothing for another text.
std::optional<int64_t> ParseTime(const std::string& text);

}  // namespace corvane

#endif  // CUSTOR_SERVER_AUDIT_H_
