// What the library answers without a reply to go on, against the real agent: bad input is refused before
// anything is sent (corvaned's request log does not grow), very long input is sent whole or refused but
// never cut, and with no server at all every function answers its failure text (or record) at once.
#include <chrono>
#include <cstdint>
#include <cstdlib>
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
    SLOT((in.group.users[0] = Mut(text), Take(modifyGroup_BAT(0, db, "G1", &in.group, 0, 0)))),
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

// A session to end; the end operations read only the disconnect reply, and there is none.
SessionRecord given{Mut("7"), Mut("00112233aabbccdd"), Mut("0")};

// The readers without a session hand the failure text of the missing reply on; operations that open a
// session report the failed connect, or the message of the step that found nothing to work on.
constexpr const char *kFailed = "VRX@DLL CORVANE_REQUEST_FAILED";
constexpr const char *kParseErr = "VRX@DLL PARSE_ERR ";
constexpr const char *kNoGroup = "KIVAAE0390 Group does not exist ";
constexpr const char *kNoSession = "KIVAAE0370 Server session could not be opened or continued ";
// Every function, as it reports its outcome with no server to send to.
const struct {
  const char *answer;
  Slot slot;
} kNoServer[] = {
    {kParseErr, SLOT(StatusOf(createSession(0, db, 0, 0)))},
    {"", SLOT(Take(endTransaction(&given, 0, db, 0, 0, 0)))},
    {"", SLOT(cli::Owned<TransactionOutcome>(endTransactionNew(&given, 0, db, 0, 0, 1))->message)},
    {kFailed, SLOT(StatusOf(getUsers(0, db, 0, 0)))},
    {kFailed, SLOT(StatusOf(getGroups(0, db, 0, 0)))},
    {kFailed, SLOT(StatusOf(getACLs(0, db, 0, 0)))},
    {kFailed, SLOT(StatusOf(getUserData(0, db, 0, 0)))},
    {kParseErr, SLOT(StatusOf(getDetailsForUser(0, db, "ann", 0, 0)))},
    {kFailed, SLOT(StatusOf(getDetailsForUser_RO(0, db, "ann", 0, 0)))},
    {kParseErr, SLOT(StatusOf(getDataForGroup(0, db, "G1", 0, 0)))},
    {kFailed, SLOT(StatusOf(getDataForGroup_RO(0, db, "G1", 0, 0)))},
    {kParseErr, SLOT(StatusOf(getDataForACL(0, db, "docs", 0, 0)))},
    {kFailed, SLOT(StatusOf(getDataForACL_RO(0, db, "docs", 0, 0)))},
    {kParseErr, SLOT(Take(createUser(0, db, "<n/>", "ann", &in.groups, 0, 0)))},
    {kNoGroup, SLOT(Take(createUser_BAT(0, db, "<n/>", "ann", &in.groups, 0, 0)))},
    {kParseErr, SLOT(Take(createACL(0, db, "docs", &in.groups, &in.acl, 0, 0)))},
    {kNoGroup, SLOT(Take(createACL_BAT(0, db, "docs", &in.groups, &in.acl, 0, 0)))},
    {kParseErr, SLOT(Take(createGroup(0, db, &in.group, 0, 0)))},
    {kParseErr, SLOT(Take(createGroup_BAT(0, db, &in.group, 0, 0)))},
    {kNoSession, SLOT(Take(deleteUser(0, db, "ann", 0, 0)))},
    {kNoSession, SLOT(Take(deleteACL(0, db, "docs", 0, 0)))},
    {kParseErr, SLOT(Take(deleteGroup(0, db, "G1", 0, 0)))},
    {kParseErr, SLOT(Take(modifyUser(0, db, "ann", "<n/>", "anna", &in.groups, 0, 0)))},
    {kNoGroup, SLOT(Take(modifyUser_BAT(0, db, "ann", "<n/>", "anna", &in.groups, 0, 0)))},
    {kParseErr, SLOT(Take(modifyGroup(0, db, "G1", &in.group, 0, 0)))},
    {kNoGroup, SLOT(Take(modifyGroup_BAT(0, db, "G1", &in.group, 0, 0)))},
    {"VRX@DLL PARSE_ERR", SLOT(Take(modifyACL(0, db, "docs", "docs2", &in.groups, &in.acl, 0, 0)))},
    {kNoGroup, SLOT(Take(modifyACL_BAT(0, db, "docs", "docs2", &in.groups, &in.acl, 0, 0)))},
    {"KIVXHE8201 ACL to be extended could not be read ",
     SLOT(Take(addACE(0, db, "docs", "staff", "read", 0, 0)))},
    {"CustorDLL Build: 122", SLOT(Take(giveBuild()))},
    {"0", SLOT(std::to_string(db_isreadonly(db)))},
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

TEST_F(BadInputEndToEnd, NullsNamesThatWouldBreakACommandAndBadCountsAreRefusedUnsent) {
  ExpectRefusedUnsent(kNames, nullptr, 0, kInvalidArgument);
  ExpectRefusedUnsent(kNullOnly, nullptr, 0, kInvalidArgument);
  EXPECT_EQ(db_isreadonly(nullptr), 0);
  for (const char *name : {"a\"b", "a<b", "a>b", "a&b", "a\x01z", "a\nb", "\t", "x\x1f"}) {
    SCOPED_TRACE(::testing::PrintToString(std::string(name)));
    ExpectRefusedUnsent(kNames, name, 0, kInvalidName);
  }
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

class NoServer : public ::testing::Test {
 protected:
  // Port 1 of the loopback: privileged and, on a test machine, served by nothing.
  static void SetUpTestSuite() { setenv("CUSTOR_PORT", "1", 1); }
};

TEST_F(NoServer, EveryFunctionReportsTheMissingReplyAtOnce) {
  for (const auto &[answer, slot] : kNoServer) {
    Inputs in;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(slot.call("db1", "", 0, in), answer) << slot.what;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2)) << slot.what << " waited";
  }
}

}  // namespace
}  // namespace custor::e2e
