#include "queries/name_lists.h"

#include <cstdlib>

#include "agent/fixture.h"
#include "custor/custor.h"

namespace custor {
namespace {

using ::testing::ElementsAre;
using testing::Failure;
using testing::Result;

class NameListsTest : public testing::AgentTest {};

TEST_F(NameListsTest, EachListSendsItsQueryAndCollectsItsAttribute) {
  struct Case {
    Names (*list)(const Call &);
    const char *command;
    std::string nodes;
  };
  const Case cases[] = {
      {getUsers, "_XQL=/kiv:user sortby(@kiv:userid)",
       "<kiv:user kiv:id=\"2\" kiv:userid=\"b\">x</kiv:user><kiv:user kiv:id=\"1\" kiv:userid=\"a\"/>"},
      {getGroups, "_XQL=/kiv:group sortby(@kiv:groupname)",
       "<kiv:group kiv:id=\"2\" kiv:groupname=\"b\"/><kiv:group kiv:id=\"1\" kiv:groupname=\"a\"/>"},
      {getACLs, "_XQL=/kiv:acl sortby(@kiv:aclname)",
       "<kiv:acl kiv:id=\"2\" kiv:aclname=\"b\"/><kiv:acl kiv:id=\"1\" kiv:aclname=\"a\"/>"},
  };
  for (const Case &c : cases) {
    agent().Reset();
    agent().Queue(Result(c.nodes));
    const Names names = c.list(db1());
    EXPECT_EQ(names.status, "0");
    EXPECT_THAT(names.names, ElementsAre("b", "a")) << "reply order, not re-sorted";
    EXPECT_THAT(agent().commands(), ElementsAre(c.command));
  }
}

TEST_F(NameListsTest, Failures) {
  struct Case {
    const char *name;
    testing::Reply reply;
    std::string status;
  };
  const Case cases[] = {
      {"no reply", testing::Reply{}, "VRX@DLL CORVANE_REQUEST_FAILED"},
      {"server error", Failure("KIVXBE0020", "Database not found"), "KIVXBE0020 Database not found"},
      {"error beside matching elements",
       testing::Response("<kiv:user kiv:userid=\"a\"/><kiv:message kiv:returnvalue=\"20\"><kiv:messagetext "
                         "kiv:code=\"KIVXBE0020\">Database not found</kiv:messagetext></kiv:message>"),
       "KIVXBE0020 Database not found"},
      {"no user at all", testing::NoResult(), "0"},
  };
  for (const Case &c : cases) {
    agent().Reset();
    agent().Queue(c.reply);
    const Names names = getUsers(db1());
    EXPECT_EQ(names.status, c.status) << c.name;
    EXPECT_TRUE(names.names.empty()) << c.name;
    EXPECT_EQ(agent().requests().size(), 1u) << c.name;
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
