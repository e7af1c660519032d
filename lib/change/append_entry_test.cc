#include "change/append_entry.h"

#include "scripted_agent/fixture.h"

namespace custor::testing {
namespace {

const std::string kLookup = "_XQL=/kiv:acl [@kiv:aclname=\"A1\"] /kiv:ace [. = \"delete any\"]";
const std::string kAcl = "_XQL=/kiv:acl [@kiv:aclname=\"A1\"]";
const std::string kGroups = "_XQL=/kiv:group [kiv:aclref=\"A1\"]sortby(@kiv:groupname asc)";

class AppendEntryTest : public AgentTest {};

TEST_F(AppendEntryTest, AppendsTheEntryLastUnderTheOldIdOrRefuses) {
  const std::string two = Entry("r", "read all") + Entry("d", "write own"), added = Entry("d", "delete any");
  const Step looked_up = Steps(Connect(), Plain(kLookup, NoResult()));
  const auto read = [&](const std::string &id_attribute, const std::string &entries) {
    return Steps(looked_up, Send(kAcl, Found("<kiv:acl " + id_attribute + ">" + entries + "</kiv:acl>")),
                 Send(kGroups, Found(GroupNode("3", "G1"))));
  };
  const std::string invalid_id = "Invalid kiv:id or kiv:id could not be retrieved";
  const std::pair<Script, std::string> cases[] = {
      {Talk(read("kiv:id=\"8\"", two), Send(Doc("acl", "A1", two + added, "8")), Commit()), "0"},
      // The commit follows whatever the store got.
      {Talk(read("kiv:id=\"8\"", two), Send(Doc("acl", "A1", two + added, "8"), Locked(), kSameKey),
            Commit()),
       "KIVXLE0060 Database locked by another session"},
      {Talk(ConnectWithoutId()), "KIVAAE0370 text "},
      {Talk(Connect(), Plain(kLookup, Result(Entry("r", "delete any")))), "KIVAAE0377 text "},
      {Talk(looked_up, Send(kAcl, None())), "KIVXHE8201 text "},
      {Talk(looked_up, Unanswered(kAcl)), "KIVXHE8201 text "},
      // A refused connect still carries id and key "0"; the read gives that session up.
      {Talk(ConnectRefused(), Plain(kLookup, NoResult()), Given("0", "0"), Rollback(kNoIdentity)),
       "KIVXHE8201 text "},
      {Talk(read("", Entry("r", "read all")), Rollback()), invalid_id},
      {Talk(read("kiv:id=\"\"", ""), Rollback()), invalid_id},
  };
  for (const auto &[script, answer] : cases) {
    Expect(script, answer, [&] { return AppendEntry(db1(), "A1", "delete any", "d").Text(); });
  }
}

}  // namespace
}  // namespace custor::testing
