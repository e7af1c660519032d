// The commands that the library sends, composed in one place: the session commands, the queries and
// the deletes (the stores are in documents.h), and the names of what the replies are read by. Each is
// sent as it stands or, inside a session, with InSession (session.h).
#ifndef CUSTOR_LIB_CORE_COMMANDS_H_
#define CUSTOR_LIB_CORE_COMMANDS_H_

#include <string>
#include <string_view>

#include "core/kind.h"
#include "core/scan.h"

namespace custor {

inline constexpr std::string_view kConnectCommand = "_connect=*";
inline constexpr std::string_view kCommitCommand = "_commit=*";
inline constexpr std::string_view kRollbackCommand = "_rollback=*";
inline constexpr std::string_view kDisconnectCommand = "_disconnect=*";

// Every object of `kind`, sorted by name: "_XQL=/kiv:user sortby(@kiv:userid)".
std::string NameListQuery(Kind kind);

// The object of `kind` named `name`: "_XQL=/kiv:user [@kiv:userid=\"NAME\"]".
std::string ObjectQuery(Kind kind, std::string_view name);

// The references to objects of kind `referenced` in group `groupname`, sorted:
// "_XQL=/kiv:group [@kiv:groupname=\"G\"] /kiv:userref sortby(.)".
std::string GroupReferencesQuery(std::string_view groupname, Kind referenced);

// The groups that refer to the user or ACL `name`: "_XQL=/kiv:group [kiv:userref=\"NAME\"]".
std::string ReferringGroupsQuery(Kind kind, std::string_view name);

// The same sorted by group name, as the readers ask for it: a user's groups with
// "sortby(@kiv:groupname)", an ACL's with "sortby(@kiv:groupname asc)".
std::string SortedReferringGroupsQuery(Kind kind, std::string_view name);

// The entries of ACL `aclname` whose text is `text`:
// "_XQL=/kiv:acl [@kiv:aclname=\"A\"] /kiv:ace [. = \"TEXT\"]".
std::string EntryQuery(std::string_view aclname, std::string_view text);

// The removal of the document of the object of `kind` named `name`:
// "_delete=kiv:user[@kiv:userid=\"NAME\"]".
std::string DeleteCommand(Kind kind, std::string_view name);

// The names of every object of `kind` in a reply (kiv:userid of kiv:user, ...).
constexpr AttributeTarget NameValues(Kind kind) { return {NamesOf(kind).element, NamesOf(kind).name}; }
// The kiv:id of every document of `kind` in a reply.
constexpr AttributeTarget IdValues(Kind kind) { return {NamesOf(kind).element, "kiv:id"}; }
// The access value of every entry of an ACL document.
inline constexpr AttributeTarget kEntryAccess{"kiv:ace", "kiv:access"};

}  // namespace custor

#endif  // CUSTOR_LIB_CORE_COMMANDS_H_
