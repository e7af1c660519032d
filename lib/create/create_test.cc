#include "create/create.h"

#include <functional>

#include "agent/fixture.h"
#include "create/test_steps.h"

namespace custor {
namespace {

using testing::Connect;
using ::testing::ElementsAreArray;
using testing::End;
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

class CreateTest : public testing::AgentTest {};

const std::string kFindAnna = "_XQL=/kiv:user [@kiv:userid=\"anna\"]";
const std::string kFindA1 = "_XQL=/kiv:acl [@kiv:aclname=\"a1\"]";
const std::string kFindStaff = "_XQL=/kiv:group [@kiv:groupname=\"staff\"]";

std::string FindGroup(const std::string &name) { return "_XQL=/kiv:group [@kiv:groupname=\"" + name + "\"]"; }

std::string UserDoc(int n) {
  return "_process=<kiv:user kiv:userid=\"anna\" " + kNs + "><name>Anna</name></kiv:user>" + Tail(n);
}
std::string AclDoc(int n) {
  return kDecl + "<kiv:acl kiv:aclname=\"a1\" " + kNs +
         "><kiv:ace kiv:access=\"rw\">/docs</kiv:ace></kiv:acl>" + Tail(n);
}
std::string Rewrite(const std::string &kivid, const std::string &name, const std::string &refs, int n) {
  return kDecl + "<kiv:group kiv:id=\"" + kivid + "\" kiv:groupname=\"" + name + "\" " + kNs + ">" + refs +
         "</kiv:group>" + Tail(n);
}
std::string StaffDoc(const std::string &tail) {
  return kDecl + "<kiv:group kiv:groupname=\"staff\" " + kNs +
         "><kiv:userref>anna</kiv:userref><kiv:aclref>a1</kiv:aclref></kiv:group>" + tail;
}

// A reply that holds a result and reports a failure: the one kind of lookup answer that stops a create.
std::string ResultWithError() {
  return testing::Response(
      "<xql:result><kiv:user kiv:userid=\"anna\"/></xql:result><kiv:message kiv:returnvalue=\"60\">"
      "<kiv:messagetext kiv:code=\"KIVXLE0060\">Database locked by another session</kiv:messagetext>"
      "</kiv:message>");
}

TEST_F(CreateTest, RequestsAndAnswers) {
  const std::string content = "<name>Anna</name>";
  const std::vector<std::string> g1{"g1"};
  const std::vector<std::string> g1_g2{"g1", "g2"};
  const std::vector<std::string> none;
  const std::vector<Ace> aces{{"rw", "/docs", "0"}};
  const GroupSpec staff{"staff", {"anna"}, {"a1"}};
  const std::string anna = "<kiv:user kiv:id=\"1\" kiv:userid=\"anna\"/>";
  const std::string group = "<kiv:group kiv:id=\"5\" kiv:groupname=\"g1\"/>";
  struct Case {
    const char *name;
    std::function<std::string()> create;
    Steps steps;
    std::string answer;
  };
  const Case cases[] = {
      {"user into a group", [&] { return createUser(db1(), content, "anna", &g1); },
       Join({{{kFindAnna, NoResult()}},
             Connect(),
             {{UserDoc(1), Ok("Document stored", K(2))}},
             ReadOf("g1", {"bert"}, {}, "5", 2),
             {{Rewrite("5", "g1", "<kiv:userref>anna</kiv:userref><kiv:userref>bert</kiv:userref>", 5),
               Ok("Document stored", K(6))}},
             End("_commit", 6)}),
       "0"},
      {"user lookup fails",
       [&] { return createUser(db1(), content, "anna", &g1); },
       {{kFindAnna, ResultWithError()}},
       "KIVXLE0060 Database locked by another session"},
      {"user into a group that does not exist", [&] { return createUser(db1(), content, "anna", &g1); },
       Join({{{kFindAnna, NoResult()}},
             Connect(),
             {{UserDoc(1), Ok("Document stored", K(2))}},
             ReadOf("g1", {}, {}, "", 2),
             End("_rollback", 5)}),
       "KIVAAE0373 Group does not exist "},
      {"user exists", [&] { return createUser(db1(), content, "anna", nullptr); },
       Join({{{kFindAnna, Result(anna)}},
             Connect(),
             {{UserDoc(1), testing::Failure("KIVXXE8610", "unknown error", K(1))}},
             End("_rollback", 1)}),
       "KIVAAE0387 User already exists "},
      {"checked user, second group missing",
       [&] { return createUser_BAT(db1(), content, "anna", &g1_g2); },
       {{FindGroup("g1"), Result(group)}, {FindGroup("g2"), NoResult()}},
       "KIVAAE0390 Group not defined "},
      {"checked user, group lookup fails",
       [&] { return createUser_BAT(db1(), content, "anna", &g1); },
       {{FindGroup("g1"), Reply{}}},
       "KIVAAE0390 Group not defined "},
      {"checked user, no groups", [&] { return createUser_BAT(db1(), content, "anna", &none); },
       Join({{{kFindAnna, NoResult()}},
             Connect(),
             {{UserDoc(1), Ok("Document stored", K(2))}},
             End("_commit", 2)}),
       "0"},
      {"checked user, lookup failure does not stop it",
       [&] { return createUser_BAT(db1(), content, "anna", nullptr); },
       Join({{{kFindAnna, ResultWithError()}},
             Connect(),
             {{UserDoc(1), Ok("Document stored", K(2))}},
             End("_commit", 2)}),
       "0"},
      {"checked user into a group", [&] { return createUser_BAT(db1(), content, "anna", &g1); },
       Join({{{FindGroup("g1"), Result(group)}, {kFindAnna, NoResult()}},
             Connect(),
             {{UserDoc(1), Ok("Document stored", K(2))}},
             ReadOf("g1", {}, {"a9"}, "5", 2),
             {{Rewrite("5", "g1", "<kiv:userref>anna</kiv:userref><kiv:aclref>a9</kiv:aclref>", 5),
               Ok("Document stored", K(6))}},
             End("_commit", 6)}),
       "0"},
      {"acl into a group", [&] { return createACL(db1(), "a1", &g1, aces); },
       Join(
           {{{kFindA1, NoResult()}},
            Connect(),
            {{AclDoc(1), Ok("Document stored", K(2))}},
            ReadOf("g1", {"bert"}, {"a0"}, "5", 2),
            {{Rewrite("5", "g1",
                      "<kiv:userref>bert</kiv:userref><kiv:aclref>a1</kiv:aclref><kiv:aclref>a0</kiv:aclref>",
                      5),
              Ok("Document stored", K(6))}},
            End("_commit", 6)}),
       "0"},
      {"acl lookup fails",
       [&] { return createACL(db1(), "a1", nullptr, aces); },
       {{kFindA1, ResultWithError()}},
       "KIVXLE0060 Database locked by another session"},
      {"acl exists", [&] { return createACL(db1(), "a1", nullptr, aces); },
       Join({{{kFindA1, NoResult()}},
             Connect(),
             {{AclDoc(1), testing::Failure("KIVXXE8610", "unknown error", K(1))}},
             End("_rollback", 1)}),
       "KIVAAE0386"},
      {"checked acl, group missing",
       [&] { return createACL_BAT(db1(), "a1", &g1, aces); },
       {{FindGroup("g1"), NoResult()}},
       "KIVAAE0390 Group not defined "},
      {"checked acl, no groups", [&] { return createACL_BAT(db1(), "a1", nullptr, aces); },
       Join({{{kFindA1, NoResult()}},
             Connect(),
             {{AclDoc(1), Ok("Document stored", K(2))}},
             End("_commit", 2)}),
       "0"},
      {"group",
       [&] { return createGroup(db1(), staff); },
       {{kFindStaff, NoResult()}, {StaffDoc(""), Ok("Document stored")}},
       "0"},
      {"group exists",
       [&] { return createGroup(db1(), staff); },
       {{kFindStaff, Result(group)}, {StaffDoc(""), testing::Failure("KIVXXE8610", "unknown error")}},
       "KIVAAE0400 Group already exists "},
      {"group lookup fails",
       [&] { return createGroup(db1(), staff); },
       {{kFindStaff, ResultWithError()}},
       "KIVXLE0060 Database locked by another session"},
      {"checked group", [&] { return createGroup_BAT(db1(), staff); },
       Join({Connect(),
             {{kFindStaff + Tail(1), NoResult(K(2))},
              {kFindAnna + Tail(2), Result(anna, K(3))},
              {kFindA1 + Tail(3), Result("<kiv:acl kiv:aclname=\"a1\"/>", K(4))},
              {StaffDoc(Tail(4)), Ok("Document stored", K(5))}},
             End("_commit", 5)}),
       "0"},
      {"checked group, lookup fails: session left open", [&] { return createGroup_BAT(db1(), staff); },
       Join({Connect(), {{kFindStaff + Tail(1), ResultWithError()}}}), "KIVAAE0400 Group already exists "},
      {"checked group, acl missing", [&] { return createGroup_BAT(db1(), staff); },
       Join({Connect(),
             {{kFindStaff + Tail(1), NoResult(K(2))},
              {kFindAnna + Tail(2), Result(anna, K(3))},
              {kFindA1 + Tail(3), NoResult(K(4))}},
             End("_rollback", 4)}),
       "KIVAAE0389 ACL not defined "},
      {"checked group, user missing", [&] { return createGroup_BAT(db1(), staff); },
       Join({Connect(),
             {{kFindStaff + Tail(1), NoResult(K(2))}, {kFindAnna + Tail(2), NoResult(K(3))}},
             End("_rollback", 3)}),
       "KIVAAE0388"},
      {"checked group, store refused", [&] { return createGroup_BAT(db1(), staff); },
       Join({Connect(),
             {{kFindStaff + Tail(1), NoResult(K(2))},
              {kFindAnna + Tail(2), Result(anna, K(3))},
              {kFindA1 + Tail(3), Result("<kiv:acl kiv:aclname=\"a1\"/>", K(4))},
              {StaffDoc(Tail(4)), testing::Failure("KIVXXE8610", "unknown error", K(4))}},
             End("_rollback", 4)}),
       "KIVXXE8610 unknown error"},
  };
  for (const Case &c : cases) {
    agent().Reset();
    agent().SetMessage("KIVAAE0373", " Group does not exist");
    agent().SetMessage("KIVAAE0387", " User already exists");
    agent().SetMessage("KIVAAE0389", " ACL not defined");
    agent().SetMessage("KIVAAE0390", " Group not defined");
    agent().SetMessage("KIVAAE0400", " Group already exists");
    const std::vector<std::string> expected = Play(agent(), c.steps);
    EXPECT_EQ(c.create(), c.answer) << c.name;
    EXPECT_THAT(agent().commands(), ElementsAreArray(expected)) << c.name;
  }
}

}  // namespace
}  // namespace custor
