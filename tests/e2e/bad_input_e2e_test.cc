// Bad input against the real library and corvaned: every refusal is answered before anything is sent
// (the server's request log does not grow), and very long input is sent whole or refused, never cut.
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "cli/results.h"
#include "custor/custor.h"
#include "e2e/e2e_test.h"

namespace custor::e2e {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

constexpr const char *kInvalidArgument = "VRX@DLL INVALID_ARGUMENT";
constexpr const char *kInvalidName = "VRX@DLL INVALID_NAME";

std::string Take(char *text) {
  cli::Owned<char> owned(text);
  return text != nullptr ? text : "(null)";
}
template <typename Record>
std::string StatusOf(Record *record) {
  cli::Owned<Record> owned(record);
  return record != nullptr && record->status != nullptr ? record->status : "(null)";
}

// Input records with one name put where the case wants it; the rest is valid.
struct Inputs {
  NameList groups{};
  GroupRecord group{};
  AceRecord ace{};
  AclRecord acl{};
  Inputs() {
    groups.count = 1;
    groups.names[0] = const_cast<char *>("G1");
    group.nameOrId = const_cast<char *>("G9");
    group.userCount = 1;
    group.users[0] = const_cast<char *>("ann");
    group.aclCount = 1;
    group.acls[0] = const_cast<char *>("docs");
    ace = {const_cast<char *>("read"), const_cast<char *>("all"), nullptr};
    acl.aceCount = 1;
    acl.aces[0] = &ace;
  }
};

// One text argument of one exported function: the call with `text` in that place.
struct Slot {
  const char *what;
  std::function<std::string(const char *db, const char *text)> call;
};

#define SLOT(what, body)                                        \
  {                                                             \
    what, [](const char *db, const char *text) -> std::string { \
      Inputs in;                                                \
      body;                                                     \
    }                                                           \
  }

// Every name an exported function takes, in every place it can stand.
const std::vector<Slot> &NameSlots() {
  static const std::vector<Slot> slots = {
    SLOT("getDetailsForUser userid", return StatusOf(getDetailsForUser(0, db, text, 0, 0))),
    SLOT("getDetailsForUser_RO userid", return StatusOf(getDetailsForUser_RO(0, db, text, 0, 0))),
    SLOT("getDataForGroup groupname", return StatusOf(getDataForGroup(0, db, text, 0, 0))),
    SLOT("getDataForGroup_RO groupname", return StatusOf(getDataForGroup_RO(0, db, text, 0, 0))),
    SLOT("getDataForACL aclname", return StatusOf(getDataForACL(0, db, text, 0, 0))),
    SLOT("getDataForACL_RO aclname", return StatusOf(getDataForACL_RO(0, db, text, 0, 0))),
    SLOT("createUser userid", return Take(createUser(0, db, "<n/>", text, &in.groups, 0, 0))),
    SLOT("createUser group", in.groups.names[0] = const_cast<char *>(text);
         return Take(createUser(0, db, "<n/>", "ann", &in.groups, 0, 0))),
    SLOT("createUser_BAT userid", return Take(createUser_BAT(0, db, "<n/>", text, &in.groups, 0, 0))),
    SLOT("createACL aclname", return Take(createACL(0, db, text, &in.groups, &in.acl, 0, 0))),
    SLOT("createACL entry text", in.ace.text = const_cast<char *>(text);
         return Take(createACL(0, db, "docs", &in.groups, &in.acl, 0, 0))),
    SLOT("createACL access", in.ace.access = const_cast<char *>(text);
         return Take(createACL(0, db, "docs", &in.groups, &in.acl, 0, 0))),
    SLOT("createACL_BAT group", in.groups.names[0] = const_cast<char *>(text);
         return Take(createACL_BAT(0, db, "docs", &in.groups, &in.acl, 0, 0))),
    SLOT("createGroup name", in.group.nameOrId = const_cast<char *>(text);
         return Take(createGroup(0, db, &in.group, 0, 0))),
    SLOT("createGroup user", in.group.users[0] = const_cast<char *>(text);
         return Take(createGroup(0, db, &in.group, 0, 0))),
    SLOT("createGroup_BAT acl", in.group.acls[0] = const_cast<char *>(text);
         return Take(createGroup_BAT(0, db, &in.group, 0, 0))),
    SLOT("deleteUser userid", return Take(deleteUser(0, db, text, 0, 0))),
    SLOT("deleteACL aclname", return Take(deleteACL(0, db, text, 0, 0))),
    SLOT("deleteGroup groupname", return Take(deleteGroup(0, db, text, 0, 0))),
    SLOT("modifyUser userid", return Take(modifyUser(0, db, text, "<n/>", "ann", &in.groups, 0, 0))),
    SLOT("modifyUser newuserid", return Take(modifyUser(0, db, "ann", "<n/>", text, &in.groups, 0, 0))),
    SLOT("modifyUser_BAT group", in.groups.names[0] = const_cast<char *>(text);
         return Take(modifyUser_BAT(0, db, "ann", "<n/>", "ann", &in.groups, 0, 0))),
    SLOT("modifyGroup groupname", return Take(modifyGroup(0, db, text, &in.group, 0, 0))),
    SLOT("modifyGroup new name", in.group.nameOrId = const_cast<char *>(text);
         return Take(modifyGroup(0, db, "G1", &in.group, 0, 0))),
    SLOT("modifyGroup_BAT user", in.group.users[0] = const_cast<char *>(text);
         return Take(modifyGroup_BAT(0, db, "G1", &in.group, 0, 0))),
    SLOT("modifyACL aclname", return Take(modifyACL(0, db, text, "docs", &in.groups, &in.acl, 0, 0))),
    SLOT("modifyACL newaclname", return Take(modifyACL(0, db, "docs", text, &in.groups, &in.acl, 0, 0))),
    SLOT("modifyACL_BAT entry text", in.ace.text = const_cast<char *>(text);
         return Take(modifyACL_BAT(0, db, "docs", "docs", &in.groups, &in.acl, 0, 0))),
    SLOT("addACE aclname", return Take(addACE(0, db, text, "staff", "read", 0, 0))),
    SLOT("addACE text", return Take(addACE(0, db, "docs", text, "read", 0, 0))),
    SLOT("addACE access", return Take(addACE(0, db, "docs", "staff", text, 0, 0))),
  };
  return slots;
}

// Texts that are not names but must be there: user content, and records where null has no meaning.
const std::vector<Slot> &NullOnlySlots() {
  static const std::vector<Slot> slots = {
    SLOT("createUser content", return Take(createUser(0, db, text, "ann", nullptr, 0, 0))),
    SLOT("createUser_BAT content", return Take(createUser_BAT(0, db, text, "ann", nullptr, 0, 0))),
    SLOT("modifyUser content", return Take(modifyUser(0, db, "ann", text, "ann", nullptr, 0, 0))),
    SLOT("modifyUser_BAT content", return Take(modifyUser_BAT(0, db, "ann", text, "ann", nullptr, 0, 0))),
    SLOT("createACL record", (void)text; return Take(createACL(0, db, "docs", nullptr, nullptr, 0, 0))),
    SLOT("createACL_BAT record", (void)text;
         return Take(createACL_BAT(0, db, "docs", nullptr, nullptr, 0, 0))),
    SLOT("modifyACL record", (void)text;
         return Take(modifyACL(0, db, "docs", "docs", nullptr, nullptr, 0, 0))),
    SLOT("createGroup record", (void)text; return Take(createGroup(0, db, nullptr, 0, 0))),
    SLOT("createGroup_BAT record", (void)text; return Take(createGroup_BAT(0, db, nullptr, 0, 0))),
    SLOT("modifyGroup record", (void)text; return Take(modifyGroup(0, db, "G1", nullptr, 0, 0))),
    SLOT("modifyGroup_BAT record", (void)text; return Take(modifyGroup_BAT(0, db, "G1", nullptr, 0, 0))),
    SLOT("createACL access entry", in.acl.aces[0] = nullptr;
         return Take(createACL(0, db, "docs", nullptr, &in.acl, 0, 0))),
  };
  return slots;
}

// The database argument of every function that talks to the server.
const std::vector<Slot> &DatabaseSlots() {
  static const std::vector<Slot> slots = {
    SLOT("getUsers", (void)db; return StatusOf(getUsers(0, text, 0, 0))),
    SLOT("getGroups", (void)db; return StatusOf(getGroups(0, text, 0, 0))),
    SLOT("getACLs", (void)db; return StatusOf(getACLs(0, text, 0, 0))),
    SLOT("getUserData", (void)db; return StatusOf(getUserData(0, text, 0, 0))),
    SLOT("createSession", (void)db; return StatusOf(createSession(0, text, 0, 0))),
    SLOT("getDataForACL_RO", (void)db; return StatusOf(getDataForACL_RO(0, text, "docs", 0, 0))),
    SLOT("createUser", (void)db; return Take(createUser(0, text, "<n/>", "ann", nullptr, 0, 0))),
    SLOT("deleteGroup", (void)db; return Take(deleteGroup(0, text, "G1", 0, 0))),
    SLOT("modifyGroup", (void)db; return Take(modifyGroup(0, text, "G1", &in.group, 0, 0))),
    SLOT("addACE", (void)db; return Take(addACE(0, text, "docs", "staff", "read", 0, 0))),
  };
  return slots;
}

#undef SLOT

class BadInputEndToEnd : public EndToEndTest {
 protected:
  // Runs `slot` with `text` and expects `answer` with no request served meanwhile.
  void ExpectRefusedUnsent(const Slot &slot, const char *text, const std::string &answer) {
    const std::size_t before = server().LogSize();
    EXPECT_EQ(slot.call(db(), text), answer) << slot.what;
    EXPECT_EQ(server().LogSize(), before) << slot.what << " sent a request";
  }
};

TEST_F(BadInputEndToEnd, NullWhereNullHasNoMeaningIsRefusedUnsent) {
  for (const Slot &slot : NameSlots()) ExpectRefusedUnsent(slot, nullptr, kInvalidArgument);
  for (const Slot &slot : NullOnlySlots()) ExpectRefusedUnsent(slot, nullptr, kInvalidArgument);
  for (const Slot &slot : DatabaseSlots()) ExpectRefusedUnsent(slot, nullptr, kInvalidArgument);
  EXPECT_EQ(db_isreadonly(nullptr), 0);
}

TEST_F(BadInputEndToEnd, NamesThatWouldBreakACommandOrADocumentAreRefusedUnsent) {
  for (const char *name : {"a\"b", "a<b", "a>b", "a&b",
                           "a\x01"
                           "b",
                           "a\nb", "\t", "x\x1f"}) {
    SCOPED_TRACE(::testing::PrintToString(std::string(name)));
    for (const Slot &slot : NameSlots()) ExpectRefusedUnsent(slot, name, kInvalidName);
  }
}

TEST_F(BadInputEndToEnd, UserIdThatWouldAddAnAclReferenceLeavesTheGroupAsItWas) {
  Seed("<kiv:group kiv:groupname=\"G1\" xmlns:kiv=\"http://namespaces.corvane.example/kiv\"/>");
  NameList groups{};
  groups.count = 1;
  groups.names[0] = const_cast<char *>("G1");
  const std::size_t before = server().LogSize();
  EXPECT_EQ(Take(createUser(0, db(), "<n/>", "ann</kiv:userref><kiv:aclref>docs", &groups, 0, 0)),
            kInvalidName);
  EXPECT_EQ(server().LogSize(), before);
  EXPECT_THAT(Send("_XQL=/kiv:group [kiv:aclref=\"docs\"]"), Not(HasSubstr("xql:result")));
}

// Counts outside 0..2000 in every record that is read as input.
TEST_F(BadInputEndToEnd, CountsOutsideTheArraysAreRefusedUnsent) {
  for (int32_t count : {-1, CUSTOR_CAPACITY + 1, INT32_MIN, INT32_MAX}) {
    SCOPED_TRACE(count);
    const Slot slots[] = {
        {"createUser groups",
         [count](const char *db, const char *) {
           Inputs in;
           in.groups.count = count;
           return Take(createUser(0, db, "<n/>", "ann", &in.groups, 0, 0));
         }},
        {"modifyACL groups",
         [count](const char *db, const char *) {
           Inputs in;
           in.groups.count = count;
           return Take(modifyACL(0, db, "docs", "docs", &in.groups, &in.acl, 0, 0));
         }},
        {"createACL entries",
         [count](const char *db, const char *) {
           Inputs in;
           in.acl.aceCount = count;
           return Take(createACL(0, db, "docs", nullptr, &in.acl, 0, 0));
         }},
        {"createGroup users",
         [count](const char *db, const char *) {
           Inputs in;
           in.group.userCount = count;
           return Take(createGroup(0, db, &in.group, 0, 0));
         }},
        {"modifyGroup_BAT acls",
         [count](const char *db, const char *) {
           Inputs in;
           in.group.aclCount = count;
           return Take(modifyGroup_BAT(0, db, "G1", &in.group, 0, 0));
         }},
    };
    for (const Slot &slot : slots) ExpectRefusedUnsent(slot, nullptr, kInvalidArgument);
  }
}

// A very long name or ACL is stored whole or refused with an error text; what is stored reads back
// byte for byte.
TEST_F(BadInputEndToEnd, VeryLongInputIsSentWholeOrRefused) {
  // Half a MiB goes through; a MiB makes a request longer than the agent's HTTP client sends.
  for (const std::size_t size : {std::size_t{512} << 10, std::size_t{1} << 20}) {
    const std::string long_name(size, static_cast<char>('a' + size % 26));
    const std::string answer = Take(createUser(0, db(), "<n/>", long_name.c_str(), nullptr, 0, 0));
    RecordProperty("user_id_of_" + std::to_string(size), answer);
    cli::Owned<UserRecord> user(getDetailsForUser_RO(0, db(), long_name.c_str(), 0, 0));
    if (answer == "0") {
      EXPECT_STREQ(user->status, "0") << size;
      EXPECT_STREQ(user->data, "") << size;
      cli::Owned<NameList> users(getUsers(0, db(), 0, 0));
      ASSERT_GE(users->count, 1);
      EXPECT_EQ(std::string(users->names[users->count - 1]), long_name);
    } else {
      EXPECT_STRNE(user->status, "0") << answer;
    }
  }

  std::vector<std::string> texts;
  std::vector<AceRecord> aces(CUSTOR_CAPACITY);
  AclRecord acl{};
  acl.aceCount = CUSTOR_CAPACITY;
  for (int i = 0; i < CUSTOR_CAPACITY; ++i) texts.push_back(std::to_string(i) + std::string(10 * 1024, 'e'));
  for (int i = 0; i < CUSTOR_CAPACITY; ++i) {
    aces[i] = {const_cast<char *>("read"), texts[i].data(), nullptr};
    acl.aces[i] = &aces[i];
  }
  const std::string stored = Take(createACL(0, db(), "big", nullptr, &acl, 0, 0));
  RecordProperty("acl_of_2000_long_entries", stored);
  EXPECT_FALSE(stored.empty());
  cli::Owned<AclRecord> big(getDataForACL_RO(0, db(), "big", 0, 0));
  if (stored == "0") {
    ASSERT_STREQ(big->status, "0");
    ASSERT_EQ(big->aceCount, CUSTOR_CAPACITY);
    for (int i = 0; i < CUSTOR_CAPACITY; ++i) ASSERT_EQ(std::string(big->aces[i]->text), texts[i]) << i;
  } else {
    cli::Owned<NameList> acls(getACLs(0, db(), 0, 0));
    EXPECT_EQ(acls->count, 0) << stored;
  }
}

}  // namespace
}  // namespace custor::e2e
