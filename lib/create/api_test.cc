// The exported create functions: argument checks that refuse before anything is sent, the conversion of
// the agent's records, and the fresh answer text.
#include <cstdlib>
#include <functional>
#include <memory>

#include "agent/fixture.h"
#include "create/test_steps.h"
#include "custor/custor.h"

namespace custor {
namespace {

using testing::Connect;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using testing::End;
using ::testing::IsEmpty;
using testing::Join;
using testing::K;
using testing::kDecl;
using testing::kNs;
using testing::NoResult;
using testing::Ok;
using testing::Play;
using testing::Tail;

class CreateApiTest : public testing::AgentTest {};

// The agent's records, built on the heap at their full size as the agent hands them in.
struct Records {
  Records() : groups(Zeroed<NameList>()), acl(Zeroed<AclRecord>()), group(Zeroed<GroupRecord>()) {}
  template <typename T>
  static std::unique_ptr<T, decltype(&std::free)> Zeroed() {
    return {static_cast<T *>(std::calloc(1, sizeof(T))), &std::free};
  }
  std::unique_ptr<NameList, decltype(&std::free)> groups;
  std::unique_ptr<AclRecord, decltype(&std::free)> acl;
  std::unique_ptr<GroupRecord, decltype(&std::free)> group;
  AceRecord aces[2] = {{const_cast<char *>("rw"), const_cast<char *>("/docs"), nullptr},
                       {const_cast<char *>("r"), const_cast<char *>("/tmp"), const_cast<char *>("0")}};
};

// Runs an exported create and takes over its answer.
std::string Take(char *answer) {
  std::string text = answer != nullptr ? answer : "(null)";
  std::free(answer);
  return text;
}

TEST_F(CreateApiTest, RefusedArgumentsSendNothing) {
  char bad_quote[] = "a\"b";
  char bad_amp[] = "a&b";
  char bad_lt[] = "<x";
  char bad_ctl[] = "a\x1f";
  char ok[] = "ok";
  struct Case {
    const char *name;
    std::function<void(Records &)> prepare;
    std::function<char *(Records &)> create;
    const char *answer;
  };
  const Case cases[] = {
      {"user without content", nullptr,
       [](Records &r) { return ::createUser(0, "db1", nullptr, "anna", r.groups.get(), 0, 0); },
       "VRX@DLL INVALID_ARGUMENT"},
      {"user without id", nullptr,
       [](Records &) { return ::createUser_BAT(0, "db1", "", nullptr, nullptr, 0, 0); },
       "VRX@DLL INVALID_ARGUMENT"},
      {"group list over capacity", [](Records &r) { r.groups->count = 2001; },
       [](Records &r) { return ::createUser(0, "db1", "", "anna", r.groups.get(), 0, 0); },
       "VRX@DLL INVALID_ARGUMENT"},
      {"group list with a null entry", [](Records &r) { r.groups->count = 1; },
       [](Records &r) { return ::createACL(0, "db1", "a1", r.groups.get(), r.acl.get(), 0, 0); },
       "VRX@DLL INVALID_ARGUMENT"},
      {"acl without record", nullptr,
       [](Records &) { return ::createACL_BAT(0, "db1", "a1", nullptr, nullptr, 0, 0); },
       "VRX@DLL INVALID_ARGUMENT"},
      {"acl without name", nullptr,
       [](Records &r) { return ::createACL(0, "db1", nullptr, nullptr, r.acl.get(), 0, 0); },
       "VRX@DLL INVALID_ARGUMENT"},
      {"acl with a null entry", [](Records &r) { r.acl->aceCount = 1; },
       [](Records &r) { return ::createACL(0, "db1", "a1", nullptr, r.acl.get(), 0, 0); },
       "VRX@DLL INVALID_ARGUMENT"},
      {"acl with a negative count", [](Records &r) { r.acl->aceCount = -1; },
       [](Records &r) { return ::createACL(0, "db1", "a1", nullptr, r.acl.get(), 0, 0); },
       "VRX@DLL INVALID_ARGUMENT"},
      {"group without record", nullptr, [](Records &) { return ::createGroup(0, "db1", nullptr, 0, 0); },
       "VRX@DLL INVALID_ARGUMENT"},
      {"group without name", nullptr,
       [](Records &r) { return ::createGroup_BAT(0, "db1", r.group.get(), 0, 0); },
       "VRX@DLL INVALID_ARGUMENT"},
      {"user id with a quote", nullptr,
       [&](Records &) { return ::createUser(0, "db1", "", bad_quote, nullptr, 0, 0); },
       "VRX@DLL INVALID_NAME"},
      {"group name in the list with <",
       [&](Records &r) {
         r.groups->count = 2;
         r.groups->names[0] = ok;
         r.groups->names[1] = bad_lt;
       },
       [](Records &r) { return ::createUser_BAT(0, "db1", "", "anna", r.groups.get(), 0, 0); },
       "VRX@DLL INVALID_NAME"},
      {"acl name with &", nullptr,
       [&](Records &r) { return ::createACL(0, "db1", bad_amp, nullptr, r.acl.get(), 0, 0); },
       "VRX@DLL INVALID_NAME"},
      {"entry text with &",
       [&](Records &r) {
         r.aces[1].text = bad_amp;
         r.acl->aceCount = 2;
         r.acl->aces[0] = &r.aces[0];
         r.acl->aces[1] = &r.aces[1];
       },
       [](Records &r) { return ::createACL_BAT(0, "db1", "a1", nullptr, r.acl.get(), 0, 0); },
       "VRX@DLL INVALID_NAME"},
      {"access with a control byte",
       [&](Records &r) {
         r.aces[0].access = bad_ctl;
         r.acl->aceCount = 1;
         r.acl->aces[0] = &r.aces[0];
       },
       [](Records &r) { return ::createACL(0, "db1", "a1", nullptr, r.acl.get(), 0, 0); },
       "VRX@DLL INVALID_NAME"},
      {"group name with a quote", [&](Records &r) { r.group->nameOrId = bad_quote; },
       [](Records &r) { return ::createGroup(0, "db1", r.group.get(), 0, 0); }, "VRX@DLL INVALID_NAME"},
      {"group referring to a bad acl name",
       [&](Records &r) {
         r.group->nameOrId = ok;
         r.group->aclCount = 1;
         r.group->acls[0] = bad_lt;
       },
       [](Records &r) { return ::createGroup_BAT(0, "db1", r.group.get(), 0, 0); }, "VRX@DLL INVALID_NAME"},
  };
  for (const Case &c : cases) {
    agent().Reset();
    Records records;
    if (c.prepare) c.prepare(records);
    EXPECT_EQ(Take(c.create(records)), c.answer) << c.name;
    EXPECT_THAT(agent().commands(), IsEmpty()) << c.name;
  }
}

TEST_F(CreateApiTest, RecordsReachTheDocuments) {
  Records r;
  char g1[] = "g1";
  r.groups->count = 1;
  r.groups->names[0] = g1;
  // Content is the agent's XML and is not checked: it goes into the document byte for byte.
  const std::string content = "<n>A &amp; B % + # \xC3\xA9</n>";
  agent().SetMessage("KIVAAE0373", " Group does not exist");
  const auto user =
      Play(agent(),
           Join({{{"_XQL=/kiv:user [@kiv:userid=\"anna\"]", NoResult()}},
                 Connect(),
                 {{"_process=<kiv:user kiv:userid=\"anna\" " + kNs + ">" + content + "</kiv:user>" + Tail(1),
                   Ok("Document stored", K(2))}},
                 testing::ReadOf("g1", {}, {}, "", 2),
                 End("_rollback", 5)}));
  EXPECT_EQ(Take(::createUser(7, "db1", content.c_str(), "anna", r.groups.get(), 42, 9)),
            "KIVAAE0373 Group does not exist ");
  EXPECT_THAT(agent().commands(), ElementsAreArray(user));
  EXPECT_EQ(agent().requests()[0].path, "/corvane/db1/kiv:security");
  EXPECT_EQ(agent().requests()[0].connection, 42u);

  // An entry with a null omit is kept; one with omit "1" is left out, even with a text that could not be
  // written.
  agent().Reset();
  char omitted_text[] = "<never>";
  char one[] = "1";
  AceRecord omitted{const_cast<char *>("w"), omitted_text, one};
  r.acl->aceCount = 3;
  r.acl->aces[0] = &r.aces[0];
  r.acl->aces[1] = &omitted;
  r.acl->aces[2] = &r.aces[1];
  const auto acl =
      Play(agent(),
           Join({{{"_XQL=/kiv:acl [@kiv:aclname=\"a1\"]", NoResult()}},
                 Connect(),
                 {{kDecl + "<kiv:acl kiv:aclname=\"a1\" " + kNs +
                       "><kiv:ace kiv:access=\"rw\">/docs</kiv:ace><kiv:ace kiv:access=\"r\">/tmp</kiv:ace>"
                       "</kiv:acl>" +
                       Tail(1),
                   Ok("Document stored", K(2))}},
                 End("_commit", 2)}));
  EXPECT_EQ(Take(::createACL_BAT(0, "db1", "a1", nullptr, r.acl.get(), 0, 0)), "0");
  EXPECT_THAT(agent().commands(), ElementsAreArray(acl));

  agent().Reset();
  char staff[] = "staff";
  char anna[] = "anna";
  r.group->nameOrId = staff;
  r.group->userCount = 1;
  r.group->users[0] = anna;
  agent().Queue({NoResult(), Ok("Document stored")});
  EXPECT_EQ(Take(::createGroup(0, "db1", r.group.get(), 0, 0)), "0");
  EXPECT_THAT(agent().commands(), ElementsAre("_XQL=/kiv:group [@kiv:groupname=\"staff\"]",
                                              kDecl + "<kiv:group kiv:groupname=\"staff\" " + kNs +
                                                  "><kiv:userref>anna</kiv:userref></kiv:group>"));
}

}  // namespace
}  // namespace custor
