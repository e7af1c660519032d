// Adding an access entry: one more entry appended to an existing ACL, rewritten in place.
#ifndef CUSTOR_LIB_CHANGE_APPEND_ENTRY_H_
#define CUSTOR_LIB_CHANGE_APPEND_ENTRY_H_

#include <string_view>

#include "core/call.h"
#include "core/status.h"

namespace custor {

// Appends the entry of text `text` and access value `access` to ACL `aclname`, in a session of its own.
Status AppendEntry(const Call &call, std::string_view aclname, std::string_view text,
                   std::string_view access);

}  // namespace custor

#endif  // CUSTOR_LIB_CHANGE_APPEND_ENTRY_H_
