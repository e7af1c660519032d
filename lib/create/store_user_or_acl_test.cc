#include "create/store_user_or_acl.h"

#include <functional>

#include "agent/fixture.h"
#include "create/test_steps.h"

namespace custor {
namespace {

using testing::Connect;
using testing::Describe;
using ::testing::ElementsAreArray;
using testing::End;
using testing::Identity;
using testing::Join;
using testing::K;
using testing::kDecl;
using testing::kNs;
using testing::NoResult;
using testing::Ok;
using testing::Play;
using testing::ReadOf;
using testing::Reply;
using testing::Result;
using testing::Steps;
using testing::Tail;

class StoreUserOrAclTest : public testing::AgentTest {};

std::string UserDoc(int n) {
  return std::string("_process=<kiv:user kiv:userid=\"u1\" ") + kNs + "><name>Ut &amp; Co</name></kiv:user>" +
         Tail(n);
}
std::string GroupDoc(const std::string &kivid, const std::string &name, const std::string &refs, int n) {
  return kDecl + "<kiv:group kiv:id=\"" + kivid + "\" kiv:groupname=\"" + name + "\" " + kNs + ">" + refs +
         "</kiv:group>" + Tail(n);
}

TEST_F(StoreUserOrAclTest, RequestsDocumentsAndOutcomes) {
  const std::string content = "<name>Ut &amp; Co</name>";
  const std::vector<std::string> two_groups{"g1", "g2"};
  const std::vector<std::string> one_group{"g1"};
  const std::vector<std::string> no_groups;
  const std::vector<Ace> aces{{"rw", "/docs", "0"}, {"r", "/tmp", "1"}, {"x", "/bin", ""}};
  const std::vector<Ace> all_omitted{{"rw", "/docs", "1"}};
  const Session caller{"7", "k1", "0"};
  const std::string acl_doc =
      kDecl + "<kiv:acl kiv:aclname=\"a1\" " + kNs +
      "><kiv:ace kiv:access=\"rw\">/docs</kiv:ace><kiv:ace kiv:access=\"x\">/bin</kiv:ace>"
      "</kiv:acl>";
  auto user = [&](const std::vector<std::string> *groups, const Session *session) {
    return [&, groups, session] { return StoreUserOrAcl(db1(), "u1", &content, nullptr, groups, session); };
  };
  auto acl = [&](const std::vector<Ace> &entries, const std::vector<std::string> *groups,
                 const Session *session) {
    return [&, groups, session] { return StoreUserOrAcl(db1(), "a1", nullptr, &entries, groups, session); };
  };
  struct Case {
    const char *name;
    std::function<CheckResult()> store;
    Steps steps;
    std::string status;
    std::string session_after;
  };
  const Case cases[] = {
      {"user into two groups, own session", user(&two_groups, nullptr),
       Join(
           {Connect(),
            {{UserDoc(1), Ok("Document stored", K(2))}},
            ReadOf("g1", {"aaron", "u1"}, {"x1"}, "17", 2),
            {{GroupDoc(
                  "17", "g1",
                  "<kiv:userref>u1</kiv:userref><kiv:userref>aaron</kiv:userref><kiv:userref>u1</kiv:userref>"
                  "<kiv:aclref>x1</kiv:aclref>",
                  5),
              Ok("Document stored", K(6))}},
            ReadOf("g2", {}, {}, "18", 6),
            {{GroupDoc("18", "g2", "<kiv:userref>u1</kiv:userref>", 9), Ok("Document stored", K(10))}},
            End("_commit", 10)}),
       "0", "none"},
      {"acl into a group, caller's session", acl(aces, &one_group, &caller),
       Join({{{acl_doc + Tail(1), Ok("Document stored", K(2))}},
             ReadOf("g1", {"bo"}, {"x1", "x2"}, "4", 2),
             {{GroupDoc("4", "g1",
                        "<kiv:userref>bo</kiv:userref><kiv:aclref>a1</kiv:aclref><kiv:aclref>x1</kiv:aclref>"
                        "<kiv:aclref>x2</kiv:aclref>",
                        5),
               Ok("Document stored", K(6))}}}),
       "0", "7/k6/0"},
      {"every entry omitted, no group list", acl(all_omitted, nullptr, nullptr),
       Join({Connect(),
             {{kDecl + "<kiv:acl kiv:aclname=\"a1\" " + kNs + "></kiv:acl>" + Tail(1),
               Ok("Document stored", K(2))}},
             End("_commit", 2)}),
       "0", "none"},
      {"empty group list, caller's session",
       user(&no_groups, &caller),
       {{UserDoc(1), Ok("Document stored", K(2))}},
       "0",
       "7/k2/0"},
      {"user exists, own session", user(&one_group, nullptr),
       Join({Connect(),
             {{UserDoc(1), testing::Failure("KIVXXE8610", "unknown error", K(1))}},
             End("_rollback", 1)}),
       "KIVAAE0387 User already exists ", "7/k1/0"},
      {"acl exists, caller's session", acl(aces, nullptr, &caller),
       Join({{{acl_doc + Tail(1), testing::Failure("KIVXXE8610", "unknown error", K(1))}},
             End("_rollback", 1)}),
       "KIVAAE0386", "7/k1/0"},
      {"store refused without a session in the reply",
       user(&one_group, &caller),
       {{UserDoc(1), testing::Failure("KIVXSE0030", "Invalid session")}},
       "KIVXSE0030 Invalid session",
       "VRX@DLL PARSE_ERR/VRX@DLL PARSE_ERR/VRX@DLL PARSE_ERR"},
      {"connect refused: id and key 0 are used",
       user(nullptr, nullptr),
       {{"_connect=*", testing::Failure("KIVXSE0031", "Too many sessions")},
        {"_process=<kiv:user kiv:userid=\"u1\" " + kNs +
             "><name>Ut &amp; Co</name></kiv:user>&_sessionid=0&_sessionkey=0",
         testing::Failure("KIVXSE0030", "Invalid session")}},
       "KIVXSE0030 Invalid session",
       "VRX@DLL PARSE_ERR/VRX@DLL PARSE_ERR/VRX@DLL PARSE_ERR"},
      {"connect without identity",
       user(&one_group, nullptr),
       {{"_connect=*", Ok("Session opened")}},
       "KIVAAE0370 Session lost ",
       "none"},
      {"store reply without identity", user(&one_group, nullptr),
       Join({Connect(), {{UserDoc(1), Ok("Document stored")}}}), "KIVAAE0370 Session lost ", "none"},
      {"group does not exist", user(&two_groups, nullptr),
       Join({Connect(),
             {{UserDoc(1), Ok("Document stored", K(2))}},
             ReadOf("g1", {}, {}, "", 2),
             End("_rollback", 5)}),
       "KIVAAE0373 Group not found ", "none"},
      {"group read loses the session", user(&one_group, &caller),
       Join({{{UserDoc(1), Ok("Document stored", K(2))}},
             {{"_XQL=/kiv:group [@kiv:groupname=\"g1\"] /kiv:userref sortby(.)" + Tail(2), NoResult(K(3))},
              {"_XQL=/kiv:group [@kiv:groupname=\"g1\"] /kiv:aclref sortby(.)" + Tail(3), NoResult(K(4))},
              {"_XQL=/kiv:group [@kiv:groupname=\"g1\"]" + Tail(4),
               Result("<kiv:group kiv:id=\"4\" kiv:groupname=\"g1\"/>")}}}),
       "KIVAAE0370 Session lost ", "none"},
      {"group read without reply: rolled back with the last identity", user(&one_group, nullptr),
       Join({Connect(),
             {{UserDoc(1), Ok("Document stored", K(2))},
              {"_XQL=/kiv:group [@kiv:groupname=\"g1\"] /kiv:userref sortby(.)" + Tail(2), Reply{}}},
             End("_rollback", 2)}),
       "KIVAAE0373 Group not found ", "none"},
      {"refused group rewrite is not reported", user(&one_group, nullptr),
       Join({Connect(),
             {{UserDoc(1), Ok("Document stored", K(2))}},
             ReadOf("g1", {}, {}, "9", 2),
             {{GroupDoc("9", "g1", "<kiv:userref>u1</kiv:userref>", 5),
               testing::Failure("KIVXLE0060", "Database locked by another session", K(5))}},
             End("_commit", 5)}),
       "0", "none"},
      {"group rewrite reply without identity", user(&two_groups, nullptr),
       Join({Connect(),
             {{UserDoc(1), Ok("Document stored", K(2))}},
             ReadOf("g1", {}, {}, "9", 2),
             {{GroupDoc("9", "g1", "<kiv:userref>u1</kiv:userref>", 5), Ok("Document stored")}}}),
       "KIVAAE0370 Session lost ", "none"},
  };
  for (const Case &c : cases) {
    agent().Reset();
    agent().SetMessage("KIVAAE0370", " Session lost");
    agent().SetMessage("KIVAAE0373", " Group not found");
    agent().SetMessage("KIVAAE0387", " User already exists");
    const std::vector<std::string> expected = Play(agent(), c.steps);
    const CheckResult result = c.store();
    EXPECT_EQ(result.status, c.status) << c.name;
    EXPECT_EQ(Describe(result.session), c.session_after) << c.name;
    EXPECT_THAT(agent().commands(), ElementsAreArray(expected)) << c.name;
  }
}

TEST_F(StoreUserOrAclTest, LongTextsAreComposedWhole) {
  const std::string content(5000, 'c');
  const std::string userid(1200, 'u');
  const Session caller{"7", std::string(400, 'k'), "0"};
  agent().Queue(Ok("Document stored", Identity{"7", "next"}));
  const CheckResult result = StoreUserOrAcl(db1(), userid, &content, nullptr, nullptr, &caller);
  EXPECT_EQ(result.status, "0");
  const std::string expected = "_process=<kiv:user kiv:userid=\"" + userid + "\" " + kNs + ">" + content +
                               "</kiv:user>&_sessionid=7&_sessionkey=" + caller.sessionKey;
  EXPECT_THAT(agent().commands(), ElementsAreArray({expected}));
}

}  // namespace
}  // namespace custor
