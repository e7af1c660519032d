// The exported create functions: the agent's records reach the documents.
#include <functional>

#include "agent/fixture.h"

namespace custor::testing {
namespace {

class CreateApiTest : public AgentTest {};

TEST_F(CreateApiTest, RecordsReachTheDocuments) {
  // Content is the agent's XML and is not checked: it goes into the document byte for byte.
  const std::string content = "<n>A &amp; B % + # \xC3\xA9</n>";
  // A null omit keeps an entry; omit "1" leaves it out, even with a text that could not be written.
  const InAcl acl({{"rw", "/docs", nullptr}, {"w", "<never>", "1"}, {"r", "/tmp", "0"}});
  const InGroup staff("staff", {"anna"}, {});
  const InNames g1({"g1"});
  const std::tuple<std::function<char *()>, Script, std::string> cases[] = {
      {[&] { return ::createUser(7, "db1", content.c_str(), "anna", nullptr, 42, 9); },
       Talk(Plain(Lookup("user", "anna"), NoResult()), Connect(), Send(UserDoc("anna", content)), Commit()),
       "0"},
      {[&] { return ::createACL(7, "db1", "a1", nullptr, &acl.record, 42, 9); },
       Talk(Plain(Lookup("acl", "a1"), NoResult()), Connect(),
            Send(AclDoc("a1", Entry("rw", "/docs") + Entry("r", "/tmp"))), Commit()),
       "0"},
      {[&] { return ::createACL_BAT(7, "db1", "a1", &g1.list, &acl.record, 42, 9); },
       Talk(Plain(Lookup("group", "g1"), NoResult())), "KIVAAE0390 text "},
      {[&] { return ::createGroup(7, "db1", &staff.record, 42, 9); },
       Talk(Plain(Lookup("group", "staff"), NoResult()),
            Plain(GroupDoc("staff", Refs("user", {"anna"})), Ok("x"))),
       "0"},
  };
  for (const auto &[create, script, answer] : cases) {
    Reset();
    const std::vector<std::string> expected = Play(script);
    EXPECT_EQ(Take(create()), answer);
    EXPECT_THAT(agent().commands(), ElementsAreArray(expected));
    for (const Request &request : agent().requests()) EXPECT_EQ(request.connection, 42u);
  }
}

}  // namespace
}  // namespace custor::testing
