// What the library answers without a reply to go on, against the real agent: bad input is refused before
// anything is sent (corvaned's request log does not grow), very long input is sent whole or refused but
// never cut, and with no server at all every function answers its failure text (or record) at once.
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/version.h"
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

// Names in every family of functions, and in the places of a record where a name stands.
const Slot kNames[] = {
    SLOT(StatusOf(getDetailsForUser_RO(0, db, text, 0, 0))),
    SLOT(StatusOf(getDataForGroup(0, db, text, 0, 0))),
    SLOT(Take(createUser(0, db, "<n/>", text, &in.groups, 0, 0))),
    SLOT((in.groups.names[0] = Mut(text), Take(createUser_BAT(0, db, "<n/>", "a", &in.groups, 0, 0)))),
    SLOT((in.ace.text = Mut(text), Take(createACL(0, db, "docs", &in.groups, &in.acl, 0, 0)))),
    SLOT((in.ace.access = Mut(text), Take(createACL_BAT(0, db, "docs", &in.groups, &in.acl, 0, 0)))),
    SLOT((in.group.nameOrId = Mut(text), Take(createGroup(0, db, &in.group, 0, 0)))),
    SLOT((in.group.users[0] = Mut(text), Take(modifyGroup_BAT(0, db, "G1", &in.group, 0, 0)))),
    SLOT((in.group.acls[0] = Mut(text), Take(createGroup(0, db, &in.group, 0, 0)))),
    SLOT(Take(deleteUser(0, db, text, 0, 0))),
    SLOT(Take(modifyUser(0, db, text, "<n/>", "a", &in.groups, 0, 0))),
    SLOT(Take(addACE(0, db, "docs", text, "read", 0, 0))),
};

// Texts that are not names but must be there, records where null has no meaning, and the database.
const Slot kNullOnly[] = {
    SLOT(Take(createUser(0, db, text, "ann", nullptr, 0, 0))),
    SLOT(Take(createACL_BAT(0, db, "docs", nullptr, nullptr, 0, 0))),
    SLOT(Take(modifyGroup_BAT(0, db, "G1", nullptr, 0, 0))),
    SLOT((in.acl.aces[0] = nullptr, Take(createACL(0, db, "docs", nullptr, &in.acl, 0, 0)))),
    SLOT(StatusOf(createSession(0, text, 0, 0))),
    SLOT(Take(addACE(0, text, "docs", "staff", "read", 0, 0))),
};

// The count of every kind of array that is read as input.
const Slot kCounts[] = {
    SLOT((in.groups.count = count, Take(modifyACL(0, db, "docs", "docs", &in.groups, &in.acl, 0, 0)))),
    SLOT((in.acl.aceCount = count, Take(createACL(0, db, "docs", nullptr, &in.acl, 0, 0)))),
    SLOT((in.group.userCount = count, Take(createGroup(0, db, &in.group, 0, 0)))),
    SLOT((in.group.aclCount = count, Take(modifyGroup_BAT(0, db, "G1", &in.group, 0, 0)))),
};

// A session to end; the end operations read only the disconnect reply, and there is none.
SessionRecord given{Mut("7"), Mut("00112233aabbccdd"), Mut("0")};

// The readers without a session hand the failure text of the missing reply on; operations that open a
// session report the failed connect, or the message of the step that found nothing to work on. One
// function of each way of reporting it.
constexpr const char *kFailed = "VRX@DLL CORVANE_REQUEST_FAILED";
constexpr const char *kParseErr = "VRX@DLL PARSE_ERR ";
constexpr const char *kNoGroup = "KIVAAE0390 Group does not exist ";
const std::string kBanner = std::string("CustorDLL Build: ") + custor::kBuild;
const struct {
  const char *answer;
  Slot slot;
} kNoServer[] = {
    {kParseErr, SLOT(StatusOf(createSession(0, db, 0, 0)))},
    {"", SLOT(Take(endTransaction(&given, 0, db, 0, 0, 0)))},
    {"", SLOT(cli::Owned<TransactionOutcome>(endTransactionNew(&given, 0, db, 0, 0, 1))->message)},
    {kFailed, SLOT(StatusOf(getUserData(0, db, 0, 0)))},
    {kParseErr, SLOT(StatusOf(getDetailsForUser(0, db, "ann", 0, 0)))},
    {kFailed, SLOT(StatusOf(getDataForGroup_RO(0, db, "G1", 0, 0)))},
    {kFailed, SLOT(StatusOf(getDataForACL_RO(0, db, "docs", 0, 0)))},
    {kParseErr, SLOT(Take(createACL(0, db, "docs", &in.groups, &in.acl, 0, 0)))},
    {kNoGroup, SLOT(Take(createUser_BAT(0, db, "<n/>", "ann", &in.groups, 0, 0)))},
    {"KIVAAE0370 Server session could not be opened or continued ",
     SLOT(Take(deleteACL(0, db, "docs", 0, 0)))},
    {kParseErr, SLOT(Take(deleteGroup(0, db, "G1", 0, 0)))},
    {kParseErr, SLOT(Take(modifyUser(0, db, "ann", "<n/>", "anna", &in.groups, 0, 0)))},
    {"VRX@DLL PARSE_ERR", SLOT(Take(modifyACL(0, db, "docs", "docs2", &in.groups, &in.acl, 0, 0)))},
    {kNoGroup, SLOT(Take(modifyGroup_BAT(0, db, "G1", &in.group, 0, 0)))},
    {"KIVXHE8201 ACL to be extended could not be read ",
     SLOT(Take(addACE(0, db, "docs", "staff", "read", 0, 0)))},
    {kBanner.c_str(), SLOT(Take(giveBuild()))},
    {"0", SLOT(std::to_string(db_isreadonly(db)))},
};
#undef SLOT

class BadInputEndToEnd : public EndToEndTest {
 protected:
  // Runs every slot with `text` and `count`, and expects `answer` with no request served meanwhile.
  template <std::size_t n>
  void ExpectRefusedUnsent(const Slot (&slots)[n], const char *text, int32_t count, const char *answer) {
    for (const Slot &slot : slots) {
      const std::size_t before = server().Log().size();
      Inputs in;
      EXPECT_EQ(slot.call(db(), text, count, in), answer) << slot.what;
      EXPECT_EQ(server().Log().size(), before) << slot.what << " sent a request";
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

// A very long name or ACL is sent whole or refused with an error text, never cut: what is stored reads
// back byte for byte. Half a MiB goes through; a MiB makes a request longer than the agent's HTTP client
// sends.
TEST_F(BadInputEndToEnd, VeryLongInputIsSentWholeOrRefused) {
  const std::string half(512 << 10, 'h'), whole(1 << 20, 'w');
  EXPECT_EQ(Take(createUser(0, db(), "<n/>", half.c_str(), nullptr, 0, 0)), "0");
  EXPECT_EQ(Take(createUser(0, db(), "<n/>", whole.c_str(), nullptr, 0, 0)), "VRX@DLL PARSE_ERR ");
  cli::Owned<NameList> users(getUsers(0, db(), 0, 0));
  EXPECT_EQ(Texts(users->names, users->count), std::vector{half});
  // An ACL of as many entries as a record holds, each of them long.
  Inputs in;
  std::vector<std::string> texts(CUSTOR_CAPACITY);
  std::vector<AceRecord> aces(CUSTOR_CAPACITY);
  for (int &i = in.acl.aceCount = 0; i < CUSTOR_CAPACITY; ++i) {
    texts[i] = std::to_string(i) + std::string(100, 'e');
    in.acl.aces[i] = &(aces[i] = {Mut("read"), texts[i].data(), nullptr});
  }
  EXPECT_EQ(Take(createACL(0, db(), "big", nullptr, &in.acl, 0, 0)), "0");
  cli::Owned<AclRecord> big(getDataForACL_RO(0, db(), "big", 0, 0));
  std::vector<std::string> read;
  read.reserve(texts.size());
  for (int i = 0; i < cli::Bounded(big->aceCount); ++i) read.push_back(cli::Text(big->aces[i]->text));
  EXPECT_EQ(read, texts);
}

class NoServer : public ::testing::Test {
 protected:
  // Port 1 of the loopback: privileged and, on a test machine, served by nothing.
  static void SetUpTestSuite() { setenv("CUSTOR_PORT", "1", 1); }
};

TEST_F(NoServer, EachWayOfReportingTheMissingReplyComesAtOnce) {
  for (const auto &[answer, slot] : kNoServer) {
    Inputs in;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(slot.call("db1", "", 0, in), answer) << slot.what;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2)) << slot.what << " waited";
  }
}

}  // namespace
}  // namespace custor::e2e
