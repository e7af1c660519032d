// The library's own message codes: each condition that the library reports in its own words, answered
// as the code followed by the agent's text for it (the resource loader's table "kivmsg"). The agent's
// message table and the tests take the list from here.
#ifndef CUSTOR_LIB_CORE_MESSAGE_CODES_H_
#define CUSTOR_LIB_CORE_MESSAGE_CODES_H_

#include <cstddef>
#include <iterator>
#include <string_view>

namespace custor {

enum class MessageCode {
  kSessionUnusable,       // a server session could not be opened or continued
  kAclNotRead,            // an ACL does not exist or could not be read
  kGroupToLinkMissing,    // a group that is to refer to a new object does not exist
  kDuplicateEntryText,    // two entries of one ACL have the same text
  kAclExists,             // an ACL of that name exists
  kUserExists,            // a user of that id exists
  kUserNotDefined,        // a user does not exist
  kAclNotDefined,         // an ACL does not exist
  kGroupNotDefined,       // a group does not exist
  kGroupExists,           // a group of that name exists
  kReferencesNotRemoved,  // the groups' references to a deleted object could not be removed
  kAclNotExtended,        // the ACL to which an entry is added could not be read
};

struct MessageCodeText {
  MessageCode code;
  std::string_view text;
};

// Every code with its text, in the order of the enumeration.
inline constexpr MessageCodeText kMessageCodes[] = {
    {MessageCode::kSessionUnusable, "KIVAAE0370"},
    {MessageCode::kAclNotRead, "KIVAAE0372"},
    {MessageCode::kGroupToLinkMissing, "KIVAAE0373"},
    {MessageCode::kDuplicateEntryText, "KIVAAE0377"},
    {MessageCode::kAclExists, "KIVAAE0386"},
    {MessageCode::kUserExists, "KIVAAE0387"},
    {MessageCode::kUserNotDefined, "KIVAAE0388"},
    {MessageCode::kAclNotDefined, "KIVAAE0389"},
    {MessageCode::kGroupNotDefined, "KIVAAE0390"},
    {MessageCode::kGroupExists, "KIVAAE0400"},
    {MessageCode::kReferencesNotRemoved, "KIVAAF0369"},
    {MessageCode::kAclNotExtended, "KIVXHE8201"},
};

constexpr bool InEnumerationOrder() {
  for (std::size_t i = 0; i < std::size(kMessageCodes); ++i) {
    if (static_cast<std::size_t>(kMessageCodes[i].code) != i) return false;
  }
  return true;
}
static_assert(InEnumerationOrder(), "kMessageCodes[i] must be the text of code i");

// The ten characters of `code`, such as "KIVAAE0370".
constexpr std::string_view CodeText(MessageCode code) {
  return kMessageCodes[static_cast<std::size_t>(code)].text;
}

}  // namespace custor

#endif  // CUSTOR_LIB_CORE_MESSAGE_CODES_H_
