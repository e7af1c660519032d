// Bad input against the real library and corvaned: every refusal is answered before anything is sent
// (the server's request log does not grow), and very long input is sent whole or refused, never cut.
#include <cstdint>
#include <string>
#include <vector>

#include "e2e/e2e_test.h"

namespace custor::e2e {
namespace {

constexpr const char *kInvalidArgument = "VRX@DLL INVALID_ARGUMENT";
constexpr const char *kInvalidName = "VRX@DLL INVALID_NAME";

// One call of an exported function with `text` (or the count under test) in one place, on valid records;
// its source text names it.
struct Slot {
  const char *what;
  std::string (*call)(const char *db, const char *text, int32_t count, Inputs &in);
};
// clang-format off
#define SLOT(expression)                                                                 \
  Slot{#expression, []([[maybe_unused]] const char *db, [[maybe_unused]] const char *text, \
                       [[maybe_unused]] int32_t count, [[maybe_unused]] Inputs &in) {      \
    return std::string(expression);                                                      \
  }}
// clang-format on

// Names in every family of functions, and in every place of a record where a name stands.
const Slot kNames[] = {
    SLOT(StatusOf(getDetailsForUser_RO(0, db, text, 0, 0))),
    SLOT(StatusOf(getDataForGroup(0, db, text, 0, 0))),
    SLOT(StatusOf(getDataForACL_RO(0, db, text, 0, 0))),
    SLOT(Take(createUser(0, db, "<n/>", text, &in.groups, 0, 0))),
    SLOT((in.groups.names[0] = Mut(text), Take(createUser_BAT(0, db, "<n/>", "a", &in.groups, 0, 0)))),
    SLOT(Take(createACL(0, db, text, &in.groups, &in.acl, 0, 0))),
    SLOT((in.ace.text = Mut(text), Take(createACL(0, db, "docs", &in.groups, &in.acl, 0, 0)))),
    SLOT((in.ace.access = Mut(text), Take(createACL_BAT(0, db, "docs", &in.groups, &in.acl, 0, 0)))),
    SLOT((in.group.nameOrId = Mut(text), Take(createGroup(0, db, &in.group, 0, 0)))),
    SLOT((in.group.users[0] = Mut(text), Take(createGroup_BAT(0, db, &in.group, 0, 0)))),
    SLOT((in.group.acls[0] = Mut(text), Take(createGroup(0, db, &in.group, 0, 0)))),
    SLOT(Take(deleteUser(0, db, text, 0, 0))),
    SLOT(Take(modifyUser(0, db, text, "<n/>", "a", &in.groups, 0, 0))),
    SLOT(Take(modifyGroup(0, db, text, &in.group, 0, 0))),
    SLOT((in.group.users[0] = Mut(text), Take(modifyGroup_BAT(0, db, "G1", &in.group, 0, 0)))),
    SLOT(Take(modifyACL(0, db, text, "docs", &in.groups, &in.acl, 0, 0))),
    SLOT((in.groups.names[0] = Mut(text), Take(modifyACL_BAT(0, db, "a", "a", &in.groups, &in.acl, 0, 0)))),
    SLOT(Take(addACE(0, db, "docs", text, "read", 0, 0))),
};

// Texts that are not names but must be there, records where null has no meaning, and the database.
const Slot kNullOnly[] = {
    SLOT(Take(createUser(0, db, text, "ann", nullptr, 0, 0))),
    SLOT(Take(modifyUser_BAT(0, db, "ann", text, "ann", nullptr, 0, 0))),
    SLOT(Take(createACL_BAT(0, db, "docs", nullptr, nullptr, 0, 0))),
    SLOT(Take(modifyGroup_BAT(0, db, "G1", nullptr, 0, 0))),
    SLOT((in.acl.aces[0] = nullptr, Take(createACL(0, db, "docs", nullptr, &in.acl, 0, 0)))),
    SLOT(StatusOf(getUsers(0, text, 0, 0))),
    SLOT(StatusOf(createSession(0, text, 0, 0))),
    SLOT(Take(addACE(0, text, "docs", "staff", "read", 0, 0))),
};

// The count of every kind of array that is read as input.
const Slot kCounts[] = {
    SLOT((in.groups.count = count, Take(createUser(0, db, "<n/>", "ann", &in.groups, 0, 0)))),
    SLOT((in.groups.count = count, Take(modifyACL(0, db, "docs", "docs", &in.groups, &in.acl, 0, 0)))),
    SLOT((in.acl.aceCount = count, Take(createACL(0, db, "docs", nullptr, &in.acl, 0, 0)))),
    SLOT((in.group.userCount = count, Take(createGroup(0, db, &in.group, 0, 0)))),
    SLOT((in.group.aclCount = count, Take(modifyGroup_BAT(0, db, "G1", &in.group, 0, 0)))),
};
#undef SLOT

class BadInputEndToEnd : public EndToEndTest {
 protected:
  // Runs every slot with `text` and `count`, and expects `answer` with no request served meanwhile.
  template <std::size_t n>
  void ExpectRefusedUnsent(const Slot (&slots)[n], const char *text, int32_t count, const char *answer) {
    for (const Slot &slot : slots) {
      const std::size_t before = server().LogSize();
      Inputs in;
      EXPECT_EQ(slot.call(db(), text, count, in), answer) << slot.what;
      EXPECT_EQ(server().LogSize(), before) << slot.what << " sent a request";
    }
  }
};

TEST_F(BadInputEndToEnd, NullWhereNullHasNoMeaningIsRefusedUnsent) {
  ExpectRefusedUnsent(kNames, nullptr, 0, kInvalidArgument);
  ExpectRefusedUnsent(kNullOnly, nullptr, 0, kInvalidArgument);
  EXPECT_EQ(db_isreadonly(nullptr), 0);
}

TEST_F(BadInputEndToEnd, NamesThatWouldBreakACommandOrADocumentAreRefusedUnsent) {
  for (const char *name : {"a\"b", "a<b", "a>b", "a&b", "a\x01z", "a\nb", "\t", "x\x1f"}) {
    SCOPED_TRACE(::testing::PrintToString(std::string(name)));
    ExpectRefusedUnsent(kNames, name, 0, kInvalidName);
  }
}

TEST_F(BadInputEndToEnd, CountsOutsideTheArraysAreRefusedUnsent) {
  for (int32_t count : {-1, CUSTOR_CAPACITY + 1, INT32_MIN, INT32_MAX}) {
    SCOPED_TRACE(count);
    ExpectRefusedUnsent(kCounts, "", count, kInvalidArgument);
  }
}

// A very long name or ACL is stored whole or refused with an error text; what is stored reads back
// byte for byte.
TEST_F(BadInputEndToEnd, VeryLongInputIsSentWholeOrRefused) {
  // Half a MiB goes through; a MiB makes a request longer than the agent's HTTP client sends.
  std::vector<std::string> stored_names;
  for (const std::size_t size : {std::size_t{512} << 10, std::size_t{1} << 20}) {
    const std::string name(size, static_cast<char>('a' + size % 26));
    const std::string answer = Take(createUser(0, db(), "<n/>", name.c_str(), nullptr, 0, 0));
    RecordProperty("user_id_of_" + std::to_string(size), answer);
    if (answer == "0") stored_names.insert(stored_names.begin(), name);  // the longer sorts first
    cli::Owned<NameList> users(getUsers(0, db(), 0, 0));
    EXPECT_EQ(Texts(users->names, users->count), stored_names) << size << ": " << answer;
  }
  Inputs in;
  std::vector<std::string> texts;
  std::vector<AceRecord> aces(CUSTOR_CAPACITY);
  in.acl.aceCount = CUSTOR_CAPACITY;
  for (int i = 0; i < CUSTOR_CAPACITY; ++i) {
    texts.push_back(std::to_string(i) + std::string(10 * 1024, 'e'));
    in.acl.aces[i] = &(aces[i] = {Mut("read"), texts[i].data(), nullptr});
  }
  const std::string stored = Take(createACL(0, db(), "big", nullptr, &in.acl, 0, 0));
  RecordProperty("acl_of_2000_long_entries", stored);
  cli::Owned<AclRecord> big(getDataForACL_RO(0, db(), "big", 0, 0));
  cli::Owned<NameList> acls(getACLs(0, db(), 0, 0));
  EXPECT_EQ(acls->count, stored == "0" ? 1 : 0) << stored;
  if (stored == "0") {
    ASSERT_EQ(big->aceCount, CUSTOR_CAPACITY);
    for (int i = 0; i < CUSTOR_CAPACITY; ++i) ASSERT_EQ(std::string(big->aces[i]->text), texts[i]) << i;
  }
}

}  // namespace
}  // namespace custor::e2e
