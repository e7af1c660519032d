#include "queries/acl_details.h"

#include "core/commands.h"
#include "core/message.h"
#include "core/scan.h"
#include "core/transport.h"

namespace custor {
namespace {

// Fills the entries from the reply to the ACL query and its cut-out result: the i-th run of text in
// the result belongs to the i-th kiv:ace element, whose kiv:access it takes. An entry without an
// access value of its own gets the empty text.
std::vector<Ace> EntriesOf(const std::string &reply, const std::string &result) {
  std::vector<Ace> aces;
  ScanTexts texts = CollectTextValues(result);
  const ScanValues access = CollectAttributeValues(reply, kEntryAccess);
  aces.reserve(texts.texts().size());
  for (std::string &text : texts.texts()) {
    const std::size_t i = aces.size();
    aces.push_back(Ace{i < access.values().size() ? access.values()[i] : std::string(), std::move(text), {}});
  }
  return aces;
}

}  // namespace

AclData ReadAclData(const Call &call, std::string_view aclname, Reading reading) {
  ReadSession session(call, reading);
  AclData acl;
  if (!session.usable()) {
    // An unusable session is given up, the caller's as well.
    acl.status = Status::Failed(session.current().status);
    session.End(End::kRollback);
    return acl;
  }

  const std::string document = session.Send(ObjectQuery(Kind::kAcl, aclname));
  if (!Answered(document)) {
    acl.status = Status::Failed(document);
    return acl;
  }
  const std::optional<std::string> result = QueryResult(document);
  if (!result) {
    // Unknown ACL or a server error: the server's message line tells which, and stands as the status
    // whatever it says. Nothing more is sent and the session is left as it is.
    std::string line = MessageLine(document);
    std::string message = MessageText(MessageCode::kAclNotRead);
    acl.status = line.empty() ? Status::Failed(message) : Status::FromText(std::move(line));
    acl.session = Session{"", "", std::move(message)};
    return acl;
  }
  acl.aces = EntriesOf(document, *result);
  acl.id = CollectAttributeValues(document, IdValues(Kind::kAcl))[0];
  session.Refresh(document);

  const std::string groups = session.Send(SortedReferringGroupsQuery(Kind::kAcl, aclname));
  session.Refresh(groups);
  acl.groups = std::move(CollectAttributeValues(groups, NameValues(Kind::kGroup)).values());

  // The read changes nothing, so a session of its own is rolled back.
  acl.session = session.Finish(End::kRollback);
  return acl;
}

}  // namespace custor
