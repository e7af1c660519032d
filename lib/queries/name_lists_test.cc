#include "queries/name_lists.h"

#include "agent/fixture.h"

namespace custor {
namespace {

using testing::Result;

class NameListsTest : public testing::AgentTest {};

TEST_F(NameListsTest, OneQueryPerListAndItsFailures) {
  const std::string user_error =
      "<kiv:user kiv:userid=\"a\"/><kiv:message kiv:returnvalue=\"20\"><kiv:messagetext "
      "kiv:code=\"KIVXBE0020\">Database not found</kiv:messagetext></kiv:message>";
  struct Case {
    Names (*list)(const Call &);
    const char *command;
    testing::Reply reply;
    std::string result;  // status|names, in reply order
  };
  const Case cases[] = {
      {getUsers, "_XQL=/kiv:user sortby(@kiv:userid)",
       Result("<kiv:user kiv:userid=\"b\">x</kiv:user><kiv:user kiv:userid=\"a\"/>"), "0|b a"},
      {getGroups, "_XQL=/kiv:group sortby(@kiv:groupname)",
       Result("<kiv:group kiv:groupname=\"b\"/><kiv:group kiv:groupname=\"a\"/>"), "0|b a"},
      {getACLs, "_XQL=/kiv:acl sortby(@kiv:aclname)",
       Result("<kiv:acl kiv:aclname=\"b\"/><kiv:acl kiv:aclname=\"a\"/>"), "0|b a"},
      {getUsers, "_XQL=/kiv:user sortby(@kiv:userid)", testing::Reply{}, "VRX@DLL CORVANE_REQUEST_FAILED|"},
      {getUsers, "_XQL=/kiv:user sortby(@kiv:userid)", testing::Response(user_error),
       "KIVXBE0020 Database not found|"},
      {getUsers, "_XQL=/kiv:user sortby(@kiv:userid)", testing::NoResult(), "0|"},
  };
  for (const Case &c : cases) {
    Reset();
    agent().Queue(c.reply);
    const Names names = c.list(db1());
    EXPECT_EQ(names.status + "|" + testing::Joined(names.names), c.result) << c.command;
    EXPECT_THAT(agent().commands(), testing::ElementsAre(c.command));
  }
}

TEST_F(NameListsTest, ExportedListCutsAt2000AndSharesItsStatus) {
  std::string nodes;
  for (int i = 0; i < 2001; ++i) nodes += "<kiv:acl kiv:aclname=\"n" + std::to_string(i) + "\"/>";
  agent().Queue({Result(nodes), Result(nodes)});
  NameList *first = ::getACLs(0, "db1", 0, 0);
  NameList *second = ::getACLs(0, "db1", 0, 0);
  ASSERT_EQ(first->count, 2000);
  EXPECT_STREQ(first->names[1999], "n1999");
  EXPECT_STREQ(first->status, "0");
  EXPECT_EQ(first->status, second->status) << "status texts are shared, not the caller's";
  for (NameList *list : {first, second}) {
    for (int i = 0; i < list->count; ++i) std::free(list->names[i]);
    std::free(list);
  }
}

}  // namespace
}  // namespace custor
