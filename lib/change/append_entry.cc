#include "change/append_entry.h"

#include <vector>

#include "change/ace_checks.h"
#include "core/documents.h"
#include "core/message.h"
#include "core/scan.h"
#include "core/transport.h"
#include "queries/acl_details.h"

namespace custor {
namespace {

constexpr std::string_view kInvalidAclId = "Invalid kiv:id or kiv:id could not be retrieved";

}  // namespace

Status AppendEntry(const Call &call, std::string_view aclname, std::string_view text,
                   std::string_view access) {
  const Session session = OpenSession(call);
  if (session.lost()) return Status::Failed(MessageText(MessageCode::kSessionUnusable));
  // Asked without the session: nothing has been sent in it yet, and it is left to the server.
  if (CheckAceDefined(call, aclname, text))
    return Status::Failed(MessageText(MessageCode::kDuplicateEntryText));

  const AclData acl = ReadAclData(call, aclname, Reading::InSession(session));
  if (!acl.status.ok() || !acl.session) return Status::Failed(MessageText(MessageCode::kAclNotExtended));
  // A document without its kiv:id would be stored as a second ACL of the same name.
  if (!acl.id || acl.id->empty() || !Found(*acl.id)) {
    EndSession(*acl.session, call, End::kRollback);
    return Status::Failed(std::string(kInvalidAclId));
  }

  // Every entry as read, then the new one.
  std::vector<Ace> entries = acl.aces;
  entries.push_back(Ace{std::string(access), std::string(text), {}});
  CheckedReply checked = CheckSessionReply(
      ExecuteServerCommand(call, InSession(AclDocument(aclname, entries, *acl.id), *acl.session)));
  // The commit follows whatever the server answered to the store.
  EndSession(checked.session, call, End::kCommit);
  return std::move(checked.verdict);
}

}  // namespace custor
