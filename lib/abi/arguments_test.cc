// The argument checks: every exported function refuses what it cannot use before sending anything, and
// converts the agent's records into what its operation writes.
#include <functional>

#include "scripted_agent/fixture.h"

namespace custor::testing {
namespace {

int32_t Fill(char **slots, const std::vector<const char *> &texts) {
  for (std::size_t i = 0; i < texts.size(); ++i) slots[i] = const_cast<char *>(texts[i]);
  return static_cast<int32_t>(texts.size());
}
// A NameList, GroupRecord or AclRecord as an agent hands it in; the texts stay the caller's.
struct InNames {
  NameList list{};
  explicit InNames(const std::vector<const char *> &names, std::optional<int32_t> count = std::nullopt) {
    list.count = count.value_or(Fill(list.names, names));
  }
};
struct InGroup {
  GroupRecord record{};
  InGroup(const char *name, const std::vector<const char *> &users, const std::vector<const char *> &acls) {
    record.nameOrId = const_cast<char *>(name);
    record.userCount = Fill(record.users, users);
    record.aclCount = Fill(record.acls, acls);
  }
};
struct InAcl {
  AclRecord record{};
  std::vector<AceRecord> entries;
  // Each entry: access, text and omit (null allowed).
  explicit InAcl(std::initializer_list<std::vector<const char *>> aces) {
    for (const auto &ace : aces) {
      entries.push_back(AceRecord{const_cast<char *>(ace[0]), const_cast<char *>(ace[1]),
                                  const_cast<char *>(ace.size() > 2 ? ace[2] : nullptr)});
    }
    record.aceCount = static_cast<int32_t>(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) record.aces[i] = &entries[i];
  }
};

// The status of a refused record or the answer text, released.
std::string S(char *text) { return Take(text); }
template <typename Record>
std::string S(Record *record) {
  std::string status = record->status;
  std::free(record);
  return status;
}

class ArgumentsTest : public AgentTest {};

// Beside the refusals that the end-to-end bad-input table already sends through the real agent.
TEST_F(ArgumentsTest, BadArgumentsAreRefusedWithoutSending) {
  const std::string arg = "VRX@DLL INVALID_ARGUMENT", name = "VRX@DLL INVALID_NAME";
  const InNames groups({"G1"}), over({"G1"}, 2001), null_entry({nullptr}), quoted({"G\"1"});
  const InGroup group("G1", {"U1"}, {"A1"}), unnamed(nullptr, {}, {}), bad_user("G1", {"U&1"}, {});
  const InGroup bad_acl("G1", {}, {"<A"});
  const InAcl acl({{"r", "all"}}), amp_text({{"r", "a&b"}}), bad_access({{"r<", "all"}});
  const std::pair<std::function<std::string()>, std::string> cases[] = {
      {[] { return S(::getUsers(0, nullptr, 0, 0)); }, arg},
      {[] { return S(::getGroups(0, nullptr, 0, 0)); }, arg},
      {[] { return S(::getACLs(0, nullptr, 0, 0)); }, arg},
      {[] { return S(::getUserData(0, nullptr, 0, 0)); }, arg},
      {[] { return S(::getDetailsForUser(0, "db1", nullptr, 0, 0)); }, arg},
      {[] { return S(::getDataForGroup_RO(0, nullptr, "g", 0, 0)); }, arg},
      {[] { return S(::getDataForGroup_RO(0, "db1", "g&", 0, 0)); }, name},
      {[] { return S(::getDataForACL(0, "db1", "a>b", 0, 0)); }, name},
      {[] { return S(::getDataForACL_RO(0, "db1", "a\x1f", 0, 0)); }, name},
      {[&] { return S(::createUser_BAT(0, "db1", "", "u", &over.list, 0, 0)); }, arg},
      {[&] { return S(::createACL_BAT(0, "db1", "a1", &null_entry.list, &acl.record, 0, 0)); }, arg},
      {[&] { return S(::createACL_BAT(0, "db1", "a1", nullptr, &amp_text.record, 0, 0)); }, name},
      {[&] { return S(::createGroup_BAT(0, "db1", &unnamed.record, 0, 0)); }, arg},
      {[&] { return S(::createGroup_BAT(0, "db1", &bad_acl.record, 0, 0)); }, name},
      {[] { return S(::deleteACL(0, "db1", "a\n", 0, 0)); }, name},
      {[] { return S(::deleteGroup(0, nullptr, "g", 0, 0)); }, arg},
      {[] { return S(::deleteGroup(0, "db1", "<g", 0, 0)); }, name},
      // A missing argument is reported before a bad name, whichever comes first.
      {[&] { return S(::modifyUser(0, nullptr, "u\"", "", "v", nullptr, 0, 0)); }, arg},
      {[&] { return S(::modifyUser(0, "db1", "u\"", nullptr, "v", nullptr, 0, 0)); }, arg},
      {[&] { return S(::modifyUser(0, "db1", "u", "", "v", &quoted.list, 0, 0)); }, name},
      {[&] { return S(::modifyUser_BAT(0, "db1", "u", "", "v>", nullptr, 0, 0)); }, name},
      {[&] { return S(::modifyGroup(0, "db1", "G1", nullptr, 0, 0)); }, arg},
      {[&] { return S(::modifyGroup(0, "db1", "G1", &bad_user.record, 0, 0)); }, name},
      {[&] { return S(::modifyGroup_BAT(0, "db1", nullptr, &group.record, 0, 0)); }, arg},
      {[&] { return S(::modifyACL(0, "db1", "A1", "A&2", &groups.list, &acl.record, 0, 0)); }, name},
      {[&] { return S(::modifyACL_BAT(0, "db1", "A1", "A2", nullptr, &bad_access.record, 0, 0)); }, name},
      {[] { return S(::addACE(0, "db1", "A1", nullptr, "r", 0, 0)); }, arg},
      {[] { return S(::addACE(0, "db1", "A1", "read", "r\"", 0, 0)); }, name},
  };
  for (std::size_t row = 0; row < std::size(cases); ++row)
    EXPECT_EQ(cases[row].first(), cases[row].second) << "row " << row;
  EXPECT_THAT(agent().commands(), IsEmpty());
}

TEST_F(ArgumentsTest, RecordsReachTheDocuments) {
  // A null omit keeps an entry; omit "1" leaves it out unchecked. Content goes in byte for byte.
  const InAcl acl({{"rw", "/docs", nullptr}, {"w", "<never>", "1"}, {"r", "/tmp", "0"}});
  const InGroup g2("G2", {"U1"}, {"A1"});
  const std::string content = "<n>A &amp; B % + # \xC3\xA9</n>";
  Expect(Talk(Plain(Lookup("acl", "a1"), NoResult()), Connect(),
              Send(Doc("acl", "a1", Entry("rw", "/docs") + Entry("r", "/tmp"))), Commit()),
         "0", [&] { return Take(::createACL(7, "db1", "a1", nullptr, &acl.record, 42, 9)); });
  Expect(
      Talk(Connect(), Send(Lookup("group", "G2"), None()), Send("_delete=kiv:group[@kiv:groupname=\"G1\"]"),
           Send(Doc("group", "G2", Refs("user", {"U1"}) + Refs("acl", {"A1"}))), Commit()),
      "0", [&] { return Take(::modifyGroup(7, "db1", "G1", &g2.record, 42, 9)); });
  Expect(Talk(Plain(Lookup("user", "anna"), NoResult()), Connect(), Send(UserDoc("anna", content)), Commit()),
         "0", [&] { return Take(::createUser(7, "db1", content.c_str(), "anna", nullptr, 42, 9)); });
}

}  // namespace
}  // namespace custor::testing
