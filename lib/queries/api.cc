// Exported functions of the queries: name lists and the readers of users, groups and ACLs.
#include "core/abi.h"
#include "queries/name_lists.h"
#include "queries/records.h"

using custor::Guard;
using custor::MakeCall;

namespace {

NameList *NameListOf(custor::Names (*list)(const custor::Call &), const custor::Call &call) {
  return Guard([&] { return custor::NewNameList(list(call)); },
               [] { return custor::NewNameList(custor::Names{std::string(custor::kOutOfMemory), {}}); });
}

}  // namespace

extern "C" {

NameList *getUsers(uint32_t context, const char *database, uint32_t connection, uint32_t extra) {
  return NameListOf(custor::getUsers, MakeCall(context, database, connection, extra));
}

NameList *getGroups(uint32_t context, const char *database, uint32_t connection, uint32_t extra) {
  return NameListOf(custor::getGroups, MakeCall(context, database, connection, extra));
}

NameList *getACLs(uint32_t context, const char *database, uint32_t connection, uint32_t extra) {
  return NameListOf(custor::getACLs, MakeCall(context, database, connection, extra));
}

}  // extern "C"
