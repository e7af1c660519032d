// The checks of the entries of an ACL: whether a stored ACL holds an entry of a text, and whether
// entries handed in repeat a text.
#ifndef CUSTOR_LIB_CHANGE_ACE_CHECKS_H_
#define CUSTOR_LIB_CHANGE_ACE_CHECKS_H_

#include <span>
#include <string_view>

#include "core/call.h"
#include "core/documents.h"
#include "core/status.h"

namespace custor {

// Whether ACL `aclname` holds an entry with text `text`: only the presence of a query result counts,
// the reply is not classified. Asked without a session.
bool CheckAceDefined(const Call &call, std::string_view aclname, std::string_view text);

// Fails with the text of KIVAAE0377 when two entries have the same text (whatever their access or omit).
Status CheckDuplicateAces(std::span<const Ace> aces);

}  // namespace custor

#endif  // CUSTOR_LIB_CHANGE_ACE_CHECKS_H_
