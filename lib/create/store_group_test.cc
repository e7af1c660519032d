#include "create/store_group.h"

#include "agent/fixture.h"
#include "create/test_steps.h"

namespace custor {
namespace {

using testing::Describe;
using ::testing::ElementsAreArray;
using testing::Identity;
using testing::NoResult;
using testing::Ok;
using testing::Reply;
using testing::Result;

class StoreGroupTest : public testing::AgentTest {};

constexpr char kHead[] =
    "_process=<?xml version=\"1.0\" encoding=\"utf-8\" ?><kiv:group kiv:groupname=\"staff\" "
    "xmlns:kiv=\"http://namespaces.corvane.example/kiv\">";
constexpr char kRefs[] =
    "<kiv:userref>anna</kiv:userref><kiv:userref>bert</kiv:userref><kiv:aclref>a1</kiv:aclref></kiv:group>";

TEST_F(StoreGroupTest, StoresTheDocumentAndChecksReferencesInMode1) {
  const GroupSpec staff{"staff", {"anna", "bert"}, {"a1"}};
  const GroupSpec empty{"staff", {}, {}};
  const Session s1{"3", "k1", "0"};
  const std::string head = kHead;
  const std::string refs = kRefs;
  const std::string user = "<kiv:user kiv:userid=\"x\"/>";
  const std::string acl = "<kiv:acl kiv:aclname=\"a1\"/>";
  struct Case {
    const char *name;
    const GroupSpec &group;
    const Session *session;
    int mode;
    std::vector<Reply> replies;
    std::vector<std::string> commands;
    std::string status;
    std::string session_after;
  };
  const Case cases[] = {
      {"alone", staff, nullptr, 0, {Ok("Document stored")}, {head + refs}, "0", "none"},
      {"alone, no references",
       empty,
       nullptr,
       0,
       {Ok("Document stored")},
       {head + "</kiv:group>"},
       "0",
       "none"},
      {"alone, refused as unknown error",
       staff,
       nullptr,
       0,
       {testing::Failure("KIVXXE8610", "unknown error")},
       {head + refs},
       "KIVAAE0400 Group already exists ",
       "none"},
      {"alone, other refusal",
       staff,
       nullptr,
       0,
       {testing::Failure("KIVXDE0050", "Invalid document")},
       {head + refs},
       "KIVXDE0050 Invalid document",
       "none"},
      {"checked in a session",
       staff,
       &s1,
       1,
       {Result(user, Identity{"3", "k2"}), Result(user, Identity{"3", "k3"}),
        Result(acl, Identity{"3", "k4"}), Ok("Document stored", Identity{"3", "k5"})},
       {"_XQL=/kiv:user [@kiv:userid=\"anna\"]&_sessionid=3&_sessionkey=k1",
        "_XQL=/kiv:user [@kiv:userid=\"bert\"]&_sessionid=3&_sessionkey=k2",
        "_XQL=/kiv:acl [@kiv:aclname=\"a1\"]&_sessionid=3&_sessionkey=k3",
        head + refs + "&_sessionid=3&_sessionkey=k4"},
       "0",
       "3/k5/0"},
      {"second user missing",
       staff,
       &s1,
       1,
       {Result(user, Identity{"3", "k2"}), NoResult(Identity{"3", "k3"}),
        Ok("Transaction rolled back", Identity{"3", "k4"}), Ok("Session closed")},
       {"_XQL=/kiv:user [@kiv:userid=\"anna\"]&_sessionid=3&_sessionkey=k1",
        "_XQL=/kiv:user [@kiv:userid=\"bert\"]&_sessionid=3&_sessionkey=k2",
        "_rollback=*&_sessionid=3&_sessionkey=k3", "_disconnect=*&_sessionid=3&_sessionkey=k4"},
       "KIVAAE0388 User does not exist ",
       "3/k3/0"},
      {"acl missing",
       staff,
       &s1,
       1,
       {Result(user, Identity{"3", "k2"}), Result(user, Identity{"3", "k3"}), NoResult(Identity{"3", "k4"}),
        Ok("Transaction rolled back", Identity{"3", "k5"}), Ok("Session closed")},
       {"_XQL=/kiv:user [@kiv:userid=\"anna\"]&_sessionid=3&_sessionkey=k1",
        "_XQL=/kiv:user [@kiv:userid=\"bert\"]&_sessionid=3&_sessionkey=k2",
        "_XQL=/kiv:acl [@kiv:aclname=\"a1\"]&_sessionid=3&_sessionkey=k3",
        "_rollback=*&_sessionid=3&_sessionkey=k4", "_disconnect=*&_sessionid=3&_sessionkey=k5"},
       "KIVAAE0389",
       "3/k4/0"},
      {"checked, nothing to check",
       empty,
       &s1,
       1,
       {Ok("Document stored", Identity{"3", "k2"})},
       {head + "</kiv:group>&_sessionid=3&_sessionkey=k1"},
       "0",
       "3/k2/0"},
      {"in a session, refused",
       staff,
       &s1,
       0,
       {testing::Failure("KIVXXE8610", "unknown error", Identity{"3", "k1"}),
        Ok("Transaction rolled back", Identity{"3", "k2"}), Ok("Session closed")},
       {head + refs + "&_sessionid=3&_sessionkey=k1", "_rollback=*&_sessionid=3&_sessionkey=k1",
        "_disconnect=*&_sessionid=3&_sessionkey=k2"},
       "KIVXXE8610 unknown error",
       "3/k1/0"},
      {"checked without a session, user missing",
       staff,
       nullptr,
       1,
       {NoResult()},
       {"_XQL=/kiv:user [@kiv:userid=\"anna\"]"},
       "KIVAAE0388 User does not exist ",
       "none"},
  };
  for (const Case &c : cases) {
    agent().Reset();
    agent().SetMessage("KIVAAE0388", " User does not exist");
    agent().SetMessage("KIVAAE0400", " Group already exists");
    for (const Reply &reply : c.replies) agent().Queue(reply);
    const CheckResult result = StoreGroup(db1(), c.group, c.session, c.mode);
    EXPECT_EQ(result.status, c.status) << c.name;
    EXPECT_EQ(Describe(result.session), c.session_after) << c.name;
    EXPECT_THAT(agent().commands(), ElementsAreArray(c.commands)) << c.name;
  }
}

TEST_F(StoreGroupTest, LongNamesAreComposedWhole) {
  const std::string name(3000, 'g');
  const std::string userid(1500, 'u');
  agent().Queue(Ok("Document stored"));
  EXPECT_EQ(StoreGroup(db1(), GroupSpec{name, {userid}, {}}, nullptr, 0).status, "0");
  const std::string expected =
      "_process=<?xml version=\"1.0\" encoding=\"utf-8\" ?><kiv:group kiv:groupname=\"" + name +
      "\" xmlns:kiv=\"http://namespaces.corvane.example/kiv\"><kiv:userref>" + userid +
      "</kiv:userref></kiv:group>";
  EXPECT_THAT(agent().commands(), ElementsAreArray({expected}));
}

}  // namespace
}  // namespace custor
