// The three kinds of security object and the names by which the protocol speaks of each.
#ifndef CUSTOR_LIB_CORE_KIND_H_
#define CUSTOR_LIB_CORE_KIND_H_

#include <cstddef>
#include <string_view>

#include "core/message_codes.h"

namespace custor {

enum class Kind { kUser, kGroup, kAcl };

struct KindNames {
  std::string_view element;    // the document's root element
  std::string_view name;       // the attribute of the root that names the object
  std::string_view reference;  // the element of a group document that refers to one (none for a group)
  MessageCode exists;          // the object is there already
  MessageCode not_defined;     // the object is not there
};

// Indexed by Kind.
inline constexpr KindNames kKindNames[] = {
    {"kiv:user", "kiv:userid", "kiv:userref", MessageCode::kUserExists, MessageCode::kUserNotDefined},
    {"kiv:group", "kiv:groupname", "", MessageCode::kGroupExists, MessageCode::kGroupNotDefined},
    {"kiv:acl", "kiv:aclname", "kiv:aclref", MessageCode::kAclExists, MessageCode::kAclNotDefined},
};

constexpr const KindNames &NamesOf(Kind kind) { return kKindNames[static_cast<std::size_t>(kind)]; }

}  // namespace custor

#endif  // CUSTOR_LIB_CORE_KIND_H_
