// Name lists: the sorted names of every user, group or ACL of a database, read without a session.
#ifndef CUSTOR_LIB_QUERIES_NAME_LISTS_H_
#define CUSTOR_LIB_QUERIES_NAME_LISTS_H_

#include "core/call.h"
#include "core/kind.h"
#include "queries/records.h"

namespace custor {

// One sessionless query; the names in reply order (the server sorts them). A server error drops the
// names and becomes the status.
Names ListNames(const Call &call, Kind kind);

}  // namespace custor

#endif  // CUSTOR_LIB_QUERIES_NAME_LISTS_H_
