// Adding an access entry: one more entry appended to an existing ACL, rewritten in place.
#ifndef CUSTOR_LIB_CHANGE_ADD_ACE_H_
#define CUSTOR_LIB_CHANGE_ADD_ACE_H_

#include <string>
#include <string_view>

#include "core/call.h"

namespace custor {

// "1" when ACL `aclname` holds an entry with text `text`, else the bare code "KIVAAE0386". Sessionless.
std::string CheckAceDefined(const Call &call, std::string_view aclname, std::string_view text);

std::string addACE(const Call &call, std::string_view aclname, std::string_view text,
                   std::string_view access);

}  // namespace custor

#endif  // CUSTOR_LIB_CHANGE_ADD_ACE_H_
