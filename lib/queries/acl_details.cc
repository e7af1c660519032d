#include "queries/acl_details.h"

#include "core/message.h"
#include "core/scan.h"
#include "core/text.h"
#include "queries/read_session.h"

namespace custor {
namespace {

// Message of an ACL that could not be read.
constexpr std::string_view kAclNotRead = "KIVAAE0372";

// Fills the entries from the reply to the ACL query and its cut-out result: the i-th run of text in
// the result belongs to the i-th kiv:ace element, whose kiv:access it takes. An entry without an
// access value of its own gets the empty text.
std::vector<Ace> EntriesOf(const std::string &reply, const std::string &result) {
  std::vector<Ace> aces;
  ScanTexts texts = CollectTextValues(result);
  const ScanValues access = CollectAttributeValues(reply, "kiv:ace", "kiv:access");
  aces.reserve(texts.texts().size());
  for (std::string &text : texts.texts()) {
    const std::size_t i = aces.size();
    aces.push_back(Ace{i < access.values().size() ? access.values()[i] : std::string(), std::move(text), {}});
  }
  return aces;
}

}  // namespace

AclData ReadAclData(const Call &call, std::string_view aclname, const Session *callerSession,
                    bool sessionless) {
  ReadSession session(call, callerSession, sessionless);
  AclData acl;
  if (!session.usable()) {
    // An unusable session is given up, the caller's as well.
    acl.status = session.current().status;
    session.End(1);
    return acl;
  }

  const std::string document = session.Send("_XQL=/kiv:acl [@kiv:aclname=\"" + std::string(aclname) + "\"]");
  acl.status = "0";
  if (document == kRequestFailed) {
    acl.status = document;
    return acl;
  }
  const std::string result = ExtractElement(document, "xql:result");
  if (result == kTagNotFound) {
    // Unknown ACL or a server error: the server's message line tells which. Nothing more is sent and
    // the session is left as it is.
    std::string line = CollectTextValues(ExtractElement(document, "kiv:messageline"))[0];
    std::string message = MessageText(kAclNotRead);
    acl.status = line.empty() ? message : std::move(line);
    acl.session = Session{"", "", std::move(message)};
    return acl;
  }
  acl.aces = EntriesOf(document, result);
  acl.id = CollectAttributeValues(document, "kiv:acl", "kiv:id")[0];
  session.Refresh(document);

  const std::string groups =
      session.Send("_XQL=/kiv:group [kiv:aclref=\"" + std::string(aclname) + "\"]sortby(@kiv:groupname asc)");
  session.Refresh(groups);
  acl.groups = std::move(CollectAttributeValues(groups, "kiv:group", "kiv:groupname").values());

  // The read changes nothing, so a session of its own is rolled back.
  acl.session = session.Finish(1);
  return acl;
}

AclData getDataForACL(const Call &call, std::string_view aclname) {
  return ReadAclData(call, aclname, nullptr, false);
}

AclData getDataForACL_RO(const Call &call, std::string_view aclname) {
  return ReadAclData(call, aclname, nullptr, true);
}

}  // namespace custor
