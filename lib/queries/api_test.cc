// The exported readers of one named object refuse a name they cannot send, without sending anything.
#include <cstdlib>
#include <functional>

#include "agent/fixture.h"
#include "custor/custor.h"

namespace custor {
namespace {

// Reads with `name` and answers the record's status, with "!" added when the record holds anything
// besides; frees the record.
using Reader = std::function<std::string(const char *name)>;

template <typename Record>
std::string StatusOf(Record *record, bool empty) {
  std::string status = record->status + std::string(empty ? "" : "!");
  std::free(record);
  return status;
}

Reader UserReader(UserRecord *(*read)(uint32_t, const char *, const char *, uint32_t, uint32_t)) {
  return [read](const char *name) {
    UserRecord *user = read(0, "db1", name, 0, 0);
    return StatusOf(user, user->data == nullptr && user->groupCount == 0 && user->session == nullptr);
  };
}

Reader GroupReader(GroupRecord *(*read)(uint32_t, const char *, const char *, uint32_t, uint32_t)) {
  return [read](const char *name) {
    GroupRecord *group = read(0, "db1", name, 0, 0);
    return StatusOf(group, group->nameOrId == nullptr && group->userCount == 0 && group->aclCount == 0 &&
                               group->session == nullptr);
  };
}

Reader AclReader(AclRecord *(*read)(uint32_t, const char *, const char *, uint32_t, uint32_t)) {
  return [read](const char *name) {
    AclRecord *acl = read(0, "db1", name, 0, 0);
    return StatusOf(
        acl, acl->id == nullptr && acl->aceCount == 0 && acl->groupCount == 0 && acl->session == nullptr);
  };
}

class ReadersApiTest : public testing::AgentTest {};

TEST_F(ReadersApiTest, UnusableNamesAreRefusedWithoutSending) {
  const Reader readers[] = {UserReader(::getDetailsForUser), UserReader(::getDetailsForUser_RO),
                            GroupReader(::getDataForGroup),  GroupReader(::getDataForGroup_RO),
                            AclReader(::getDataForACL),      AclReader(::getDataForACL_RO)};
  struct Case {
    const char *name;
    const char *status;
  };
  const Case cases[] = {{nullptr, "VRX@DLL INVALID_ARGUMENT"}, {"a\"b", "VRX@DLL INVALID_NAME"},
                        {"a<b", "VRX@DLL INVALID_NAME"},       {"a>b", "VRX@DLL INVALID_NAME"},
                        {"a&b", "VRX@DLL INVALID_NAME"},       {"a\nb", "VRX@DLL INVALID_NAME"},
                        {"\x1f", "VRX@DLL INVALID_NAME"}};
  for (const Reader &read : readers) {
    for (const Case &c : cases) EXPECT_EQ(read(c.name), c.status) << (c.name ? c.name : "null");
  }
  EXPECT_THAT(agent().commands(), ::testing::IsEmpty());
}

}  // namespace
}  // namespace custor
