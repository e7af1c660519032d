#include <cstdlib>
#include <functional>

#include "agent/fixture.h"
#include "change/transaction_script.h"
#include "custor/custor.h"

namespace custor {
namespace {

using ::testing::ElementsAreArray;
using Script = testing::TransactionScript;

// Owns a result text of an exported function.
std::string Take(char *text) {
  std::string copy = text != nullptr ? text : "(null)";
  std::free(text);
  return copy;
}

// Input records as an agent fills them; the pointers refer to the texts held here.
struct Names {
  NameList list{};
  explicit Names(std::vector<const char *> names, int32_t count = -2) {
    list.count = count == -2 ? static_cast<int32_t>(names.size()) : count;
    for (std::size_t i = 0; i < names.size(); ++i) list.names[i] = const_cast<char *>(names[i]);
  }
};
struct Group {
  GroupRecord record{};
  Group(const char *name, std::vector<const char *> users, std::vector<const char *> acls) {
    record.nameOrId = const_cast<char *>(name);
    record.userCount = static_cast<int32_t>(users.size());
    record.aclCount = static_cast<int32_t>(acls.size());
    for (std::size_t i = 0; i < users.size(); ++i) record.users[i] = const_cast<char *>(users[i]);
    for (std::size_t i = 0; i < acls.size(); ++i) record.acls[i] = const_cast<char *>(acls[i]);
  }
};
struct Acl {
  AclRecord record{};
  std::vector<AceRecord> entries;
  explicit Acl(std::vector<AceRecord> aces) : entries(std::move(aces)) {
    record.aceCount = static_cast<int32_t>(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) record.aces[i] = &entries[i];
  }
};
AceRecord Entry(const char *access, const char *text, const char *omit = nullptr) {
  return AceRecord{const_cast<char *>(access), const_cast<char *>(text), const_cast<char *>(omit)};
}

class ChangeApiTest : public testing::AgentTest {};

TEST_F(ChangeApiTest, RefusedArgumentsSendNothing) {
  const Names groups({"G1"});
  const Names bad_count({"G1"}, 2001);
  const Names quoted({"G\"1"});
  const Group group("G1", {"U1"}, {"A1"});
  const Group ampersand_user("G1", {"U&1"}, {});
  const Acl acl({Entry("r", "read all")});
  const Acl null_entry_text({Entry("r", nullptr)});
  const Acl bad_access({Entry("r<", "read all")});
  struct Case {
    const char *name;
    std::function<char *()> call;
    std::string answer;
  };
  const std::string invalid_argument = "VRX@DLL INVALID_ARGUMENT";
  const std::string invalid_name = "VRX@DLL INVALID_NAME";
  const Case cases[] = {
      {"deleteUser null", [] { return ::deleteUser(0, "db1", nullptr, 0, 0); }, invalid_argument},
      {"deleteUser quote", [] { return ::deleteUser(0, "db1", "u\"", 0, 0); }, invalid_name},
      {"deleteACL control byte", [] { return ::deleteACL(0, "db1", "a\n", 0, 0); }, invalid_name},
      {"deleteGroup null", [] { return ::deleteGroup(0, "db1", nullptr, 0, 0); }, invalid_argument},
      {"modifyUser null content",
       [&] { return ::modifyUser(0, "db1", "u", nullptr, "v", &groups.list, 0, 0); }, invalid_argument},
      {"modifyUser count over 2000",
       [&] { return ::modifyUser(0, "db1", "u", "", "v", &bad_count.list, 0, 0); }, invalid_argument},
      {"modifyUser quoted group", [&] { return ::modifyUser(0, "db1", "u", "", "v", &quoted.list, 0, 0); },
       invalid_name},
      {"modifyUser_BAT new id", [&] { return ::modifyUser_BAT(0, "db1", "u", "", "v>", nullptr, 0, 0); },
       invalid_name},
      {"modifyGroup null record", [] { return ::modifyGroup(0, "db1", "G1", nullptr, 0, 0); },
       invalid_argument},
      {"modifyGroup null name", [&] { return ::modifyGroup(0, "db1", nullptr, &group.record, 0, 0); },
       invalid_argument},
      {"modifyGroup user reference",
       [&] { return ::modifyGroup(0, "db1", "G1", &ampersand_user.record, 0, 0); }, invalid_name},
      {"modifyACL null record", [&] { return ::modifyACL(0, "db1", "A1", "A2", nullptr, nullptr, 0, 0); },
       invalid_argument},
      {"modifyACL null entry text",
       [&] { return ::modifyACL(0, "db1", "A1", "A2", nullptr, &null_entry_text.record, 0, 0); },
       invalid_argument},
      {"modifyACL_BAT access value",
       [&] { return ::modifyACL_BAT(0, "db1", "A1", "A2", nullptr, &bad_access.record, 0, 0); },
       invalid_name},
      {"modifyACL new name",
       [&] { return ::modifyACL(0, "db1", "A1", "A&2", &groups.list, &acl.record, 0, 0); }, invalid_name},
      {"addACE null text", [] { return ::addACE(0, "db1", "A1", nullptr, "r", 0, 0); }, invalid_argument},
      {"addACE access value", [] { return ::addACE(0, "db1", "A1", "read", "r\"", 0, 0); }, invalid_name},
  };
  for (const Case &c : cases) EXPECT_EQ(Take(c.call()), c.answer) << c.name;
  EXPECT_TRUE(agent().requests().empty());
}

TEST_F(ChangeApiTest, ExportedChangesReachTheServer) {
  struct Case {
    const char *name;
    std::function<void(Script &)> script;
    std::function<char *()> call;
    std::string answer;
  };
  const Names groups({"G1"});
  // An omitted entry is not written, so its text is not checked either.
  const Acl acl({Entry("r", "read all", "0"), Entry("w", "a<b", "1")});
  const std::string ns = std::string(kNamespace);
  const Case cases[] = {
      {"deleteGroup",
       [](Script &s) { s.Sessionless("_delete=kiv:group[@kiv:groupname=\"G1\"]", testing::Ok("x")); },
       [] { return ::deleteGroup(7, "db1", "G1", 42, 9); }, "0"},
      {"deleteUser",
       [](Script &s) {
         s.Connect()
             .Send("_delete=kiv:user[@kiv:userid=\"u\"]", Script::OkWith("Document deleted"))
             .Send("_XQL=/kiv:group [kiv:userref=\"u\"]", Script::NoResultWith())
             .Commit();
       },
       [] { return ::deleteUser(7, "db1", "u", 42, 9); }, "0"},
      {"deleteACL",
       [](Script &s) {
         s.Connect()
             .Send("_delete=kiv:acl[@kiv:aclname=\"a\"]",
                   Script::FailureWith("KIVXIE8300", "No matching document found"), testing::Next::kSameKey)
             .Rollback();
       },
       [] { return ::deleteACL(7, "db1", "a", 42, 9); }, "KIVXIE8300 No matching document found"},
      {"modifyUser_BAT",
       [](Script &s) { s.Sessionless("_XQL=/kiv:group [@kiv:groupname=\"G1\"]", testing::NoResult()); },
       [&] { return ::modifyUser_BAT(7, "db1", "u", "<x/>", "v", &groups.list, 42, 9); }, "KIVAAE0390"},
      {"modifyACL",
       [&](Script &s) {
         s.Connect()
             .Send("_XQL=/kiv:acl [@kiv:aclname=\"A1\"]", Script::NoResultWith())
             .Send("_delete=kiv:acl[@kiv:aclname=\"A1\"]", Script::OkWith("Document deleted"))
             .Send("_XQL=/kiv:group [kiv:aclref=\"A1\"]", Script::NoResultWith())
             .Send(
                 "_process=<?xml version=\"1.0\" encoding=\"utf-8\" ?><kiv:acl kiv:aclname=\"A1\" "
                 "xmlns:kiv=\"" +
                     ns + "\"><kiv:ace kiv:access=\"r\">read all</kiv:ace></kiv:acl>",
                 Script::OkWith("Document stored"))
             .Commit();
       },
       [&] { return ::modifyACL(7, "db1", "A1", "A1", nullptr, &acl.record, 42, 9); }, "0"},
      {"addACE",
       [](Script &s) {
         s.Connect().Sessionless("_XQL=/kiv:acl [@kiv:aclname=\"A1\"] /kiv:ace [. = \"read all\"]",
                                 testing::Result("<kiv:ace kiv:access=\"r\">read all</kiv:ace>"));
       },
       [] { return ::addACE(7, "db1", "A1", "read all", "w", 42, 9); }, "KIVAAE0377"},
  };
  for (const Case &c : cases) {
    agent().Reset();
    Script script;
    c.script(script);
    script.QueueInto(agent());
    EXPECT_EQ(Take(c.call()), c.answer) << c.name;
    EXPECT_THAT(agent().commands(), ElementsAreArray(script.commands())) << c.name;
    for (const testing::Request &request : agent().requests()) {
      EXPECT_EQ(request.path, "/corvane/db1/kiv:security") << c.name;
      EXPECT_EQ(request.connection, 42u) << c.name;
    }
  }
}

}  // namespace
}  // namespace custor
