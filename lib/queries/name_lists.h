// Name lists: the sorted names of every user, group or ACL of a database, read without a session.
#ifndef CUSTOR_LIB_QUERIES_NAME_LISTS_H_
#define CUSTOR_LIB_QUERIES_NAME_LISTS_H_

#include "core/call.h"
#include "queries/records.h"

namespace custor {

Names getUsers(const Call &call);
Names getGroups(const Call &call);
Names getACLs(const Call &call);

}  // namespace custor

#endif  // CUSTOR_LIB_QUERIES_NAME_LISTS_H_
