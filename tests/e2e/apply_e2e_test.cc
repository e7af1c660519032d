// custor apply and export against a real corvaned: a 300-object file into an empty database, the second
// apply a no-op, a changed file applied as its difference, --prune deleting only what the file does not
// name, a dry run that sends no write, a failed step resumed by the next apply, the export read back by
// apply, and malformed files refused before anything is written.
#include <fstream>

#include "cli/user_data.h"
#include "cli/wanted.h"
#include "e2e/custor_run.h"
#include "e2e/e2e_test.h"

namespace custor::e2e {
namespace {

using ::testing::AllOf;
using ::testing::Each;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;
using Json = cli::Json;

// n users u000.., n/4 ACLs a00.. of two entries, n/4 groups g00.. of four users and one ACL each.
Json Generated(int n) {
  Json users = Json::array(), acls = Json::array(), groups = Json::array();
  const auto name = [](char kind, int i) {
    return kind + std::string(i < 10 ? "00" : i < 100 ? "0" : "") + std::to_string(i);
  };
  for (int i = 0; i < n; ++i)
    users.push_back({{"id", name('u', i)}, {"content", "<name>User " + std::to_string(i) + "</name>"}});
  for (int i = 0; i < n / 4; ++i) {
    acls.push_back({{"name", name('a', i)},
                    {"entries", Json::array({{{"access", "read"}, {"text", "/r" + std::to_string(i)}},
                                             {{"access", "write"}, {"text", "/w" + std::to_string(i)}}})}});
    Json members = Json::array();
    for (int j = 0; j < 4; ++j) members.push_back(name('u', 4 * i + j));
    groups.push_back({{"name", name('g', i)}, {"users", members}, {"acls", Json::array({name('a', i)})}});
  }
  return {{"users", users}, {"acls", acls}, {"groups", groups}};
}

// A small wanted state: users ann, bob, carl; ACLs docs, web; groups staff and dev.
const char kSmall[] = R"({"users": [{"id": "ann", "content": "<n>Ann</n>"}, {"id": "bob", "content": "Bob"},
  {"id": "carl", "content": "<p><n>Carl</n><room>12</room></p>"}],
  "acls": [{"name": "docs", "entries": [{"access": "read", "text": "/d"}]}, {"name": "web"}],
  "groups": [{"name": "staff", "users": ["ann", "bob"], "acls": ["docs"]}, {"name": "dev", "users": ["carl"], "acls": ["web"]}]})";

class ApplyEndToEnd : public EndToEndTest {
 protected:
  // Writes `text` to a file of the test's own and returns its path.
  std::string File(const std::string &text) const {
    std::string path = server().data_dir() + "/" + db() + "-" + std::to_string(++files_) + ".json";
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  // The database as the library reads it, in one canonical text: users with their data, ACLs with
  // their entries, groups with their references.
  std::string State() const {
    std::string state;
    cli::Owned<NameList> users(getUsers(0, db(), 0, 0)), groups(getGroups(0, db(), 0, 0)),
        acls(getACLs(0, db(), 0, 0));
    for (const std::string &id : Texts(users->names, users->count)) {
      cli::Owned<UserRecord> user(getDetailsForUser_RO(0, db(), id.c_str(), 0, 0));
      state += "user " + id + " " + cli::Text(user->data) + "\n";
    }
    for (const std::string &name : Texts(acls->names, acls->count)) {
      cli::Owned<AclRecord> acl(getDataForACL_RO(0, db(), name.c_str(), 0, 0));
      state += "acl " + name;
      for (int i = 0; i < acl->aceCount; ++i)
        state += " " + cli::Text(acl->aces[i]->access) + "=" + cli::Text(acl->aces[i]->text);
      state += "\n";
    }
    for (const std::string &name : Texts(groups->names, groups->count)) {
      cli::Owned<GroupRecord> group(getDataForGroup_RO(0, db(), name.c_str(), 0, 0));
      state += "group " + name;
      for (const std::string &user : Texts(group->users, group->userCount)) state += " " + user;
      state += " /";
      for (const std::string &acl : Texts(group->acls, group->aclCount)) state += " " + acl;
      state += "\n";
    }
    return state;
  }
  // The same text for the wanted state of a file.
  static std::string StateOf(const std::string &text) {
    const cli::Wanted wanted = cli::ReadWanted(cli::JsonFile("f", text));
    std::string state;
    for (const auto &[id, content] : wanted.users)
      state += "user " + id + " " + cli::UserDataOf(content) + "\n";
    for (const auto &[name, entries] : wanted.acls) {
      state += "acl " + name;
      for (const cli::Entry &entry : entries) state += " " + entry.access + "=" + entry.text;
      state += "\n";
    }
    for (const auto &[name, group] : wanted.groups) {
      std::vector<std::string> users = group.users, acls = group.acls;
      std::sort(users.begin(), users.end());
      std::sort(acls.begin(), acls.end());
      state += "group " + name;
      for (const std::string &user : users) state += " " + user;
      state += " /";
      for (const std::string &acl : acls) state += " " + acl;
      state += "\n";
    }
    return state;
  }
  // Whether the commands since the last Mark() were all reads.
  void ExpectOnlyReads() const { EXPECT_THAT(Steps(), Each(StartsWith("_XQL="))); }

 private:
  mutable int files_ = 0;
};

TEST_F(ApplyEndToEnd, ThreeHundredObjectsThenANoOpThenTheDifference) {
  const std::string text = Generated(200).dump(1);
  const std::string file = File(text);
  // On a terminal, but for scripts: no progress line.
  const CustorRun first = Custor(db(), {"--json", "apply", file}, true);
  ASSERT_EQ(first.status, 0) << first.err;
  EXPECT_THAT(first.out,
              AllOf(StartsWith("{\"dryRun\":false,\"steps\":[{\"action\":\"create\",\"kind\":\"acl\""),
                    EndsWith(",\"done\":300,\"failed\":null}\n")));
  EXPECT_EQ(first.err, "");
  EXPECT_EQ(State(), StateOf(text));

  Mark();
  const CustorRun second = Custor(db(), {"apply", file});
  EXPECT_EQ(second.out, "nothing to change: the database is as " + file + " says\n");
  EXPECT_EQ(second.err, "");
  ExpectOnlyReads();

  Json changed = Generated(200);
  changed["users"][5]["content"] = "<name>Renamed</name>";
  changed["users"].push_back({{"id", "new1"}, {"content", "New"}});
  changed["groups"][0]["users"] = Json::array({"u000", "u002", "u003"});
  changed["groups"][1]["users"].push_back("new1");
  changed["acls"][0]["entries"].push_back({{"access", "admin"}, {"text", "/x"}});
  changed["acls"][1]["entries"] = Json::array({{{"access", "read"}, {"text", "/only"}}});
  changed["groups"].push_back({{"name", "gnew"}, {"users", {"new1", "u199"}}});
  const std::string changed_file = File(changed.dump());
  const CustorRun plan = Custor(db(), {"apply", changed_file, "--dry-run"});
  EXPECT_EQ(plan.out,
            "7 steps (dry run: nothing is changed)\n"
            "  1. create user new1: data \"New\"\n"
            "  2. create group gnew: users new1, u199\n"
            "  3. modify group g000: users -u001\n"
            "  4. modify group g001: users +new1\n"
            "  5. add an entry to ACL a000: entry admin=/x appended\n"
            "  6. modify ACL a001: entries read=/only (were 2); rewrites the group that refers to it\n"
            "  7. modify user u005: data \"User 5\" -> \"Renamed\"; rewrites the group that refers to it\n");
  const CustorRun applied = Custor(db(), {"apply", changed_file});
  EXPECT_EQ(applied.status, 0) << applied.err;
  EXPECT_THAT(applied.out, EndsWith("applied 7 steps\n"));
  EXPECT_EQ(State(), StateOf(changed.dump()));
  EXPECT_THAT(Custor(db(), {"apply", changed_file}).out, StartsWith("nothing to change"));
}

TEST_F(ApplyEndToEnd, PruneDeletesOnlyWhatTheFileDoesNotNameAndADryRunWritesNothing) {
  const std::string file = File(kSmall);
  ASSERT_EQ(Custor(db(), {"apply", file}).status, 0);
  // What the file does not name: a user in both groups, an ACL of one, a group.
  NameList both = Names({"staff", "dev"});
  ASSERT_EQ(Take(createUser(0, db(), "<n>X</n>", "extra", &both, 0, 0)), "0");
  Inputs in;
  NameList staff = Names({"staff"});
  ASSERT_EQ(Take(createACL(0, db(), "old", &staff, &in.acl, 0, 0)), "0");
  GroupRecord temp{Mut("temp"), nullptr, 1, 0, nullptr, {Mut("ann")}, {}};
  ASSERT_EQ(Take(createGroup(0, db(), &temp, 0, 0)), "0");

  Mark();
  const CustorRun dry = Custor(db(), {"apply", "--prune", "--dry-run", file});
  EXPECT_EQ(dry.status, 0);
  EXPECT_EQ(dry.out,
            "3 steps (dry run: nothing is changed)\n"
            "  1. delete group temp\n"
            "  2. delete user extra: removes extra from 2 groups\n"
            "  3. delete ACL old: removes old from 1 group\n");
  ExpectOnlyReads();

  // Without --prune nothing is deleted: the groups only lose their references.
  ASSERT_EQ(Custor(db(), {"apply", file}).status, 0);
  EXPECT_THAT(State(),
              AllOf(HasSubstr("user extra X\n"), HasSubstr("acl old"), HasSubstr("group temp ann /\n")));
  const CustorRun pruned = Custor(db(), {"apply", "--prune", file});
  EXPECT_EQ(pruned.status, 0) << pruned.err;
  EXPECT_EQ(State(), StateOf(kSmall));
}

// A step that fails stops the apply with its text and the steps made; the next apply goes on.
TEST_F(ApplyEndToEnd, AFailedStepStopsAndTheNextApplyGoesOn) {
  const std::string file = File(kSmall);
  // Three lists, two ACLs of five requests each, then the server ends (its last reply, to the second
  // ACL's disconnect, is lost: that step's commit has answered).
  Restart({"--exit-after-requests", "12"});
  const CustorRun cut = Custor(db(), {"apply", file});
  EXPECT_EQ(cut.status, 1);
  EXPECT_THAT(cut.err, StartsWith("custor: step 3 of 7 failed: create user ann: data \"Ann\": VRX@DLL "));
  EXPECT_THAT(cut.err,
              EndsWith("\ncustor: 2 of 7 steps were made; apply the file again to go on from there\n"));
  EXPECT_EQ(cut.out, "[1/7] create ACL docs: 1 entry\n[2/7] create ACL web: no entries\n");
  Restart({});
  const CustorRun rest = Custor(db(), {"apply", file});
  EXPECT_EQ(rest.status, 0) << rest.err;
  EXPECT_THAT(rest.out, StartsWith("[1/5] create user ann: data \"Ann\"\n"));
  EXPECT_EQ(State(), StateOf(kSmall));
}

TEST_F(ApplyEndToEnd, ExportThenApplyIntoAnEmptyDatabaseGivesTheSameState) {
  // Contents whose data takes the library's reading rules: a reference first, '>' and quotes, a first
  // text that is skipped.
  const std::string text =
      R"({"users": [{"id": "amp", "content": "&amp;x"}, {"id": "gt", "content": "<n>a>b \"c\"</n>"},
    {"id": "skip", "content": "  <a>\u00dcnal</a><b>second</b>"}, {"id": "empty", "content": "<a/>"}],
    "acls": [{"name": "docs", "entries": [{"access": "read", "text": "J\u00f6rg's"}, {"access": "", "text": "/a b]]"}]}],
    "groups": [{"name": "all", "users": ["amp", "gt", "skip", "empty"], "acls": ["docs"]}, {"name": "none"}]})";
  const CustorRun applied = Custor(db(), {"apply", File(text)});
  ASSERT_EQ(applied.status, 0) << applied.err;
  ASSERT_EQ(State(), StateOf(text));
  EXPECT_THAT(Custor(db(), {"apply", File(text)}).out, StartsWith("nothing to change")) << "the data as read";
  const std::string exported = server().data_dir() + "/" + db() + "-export.json";
  const CustorRun out = Custor(db(), {"export", "--output", exported});
  ASSERT_EQ(out.status, 0) << out.err;
  EXPECT_EQ(out.out, "exported 4 users, 2 groups and 1 ACL to " + exported + "\n");
  const std::string state = State();
  UseDatabase(std::string(db()) + "copy");
  ASSERT_EQ(Custor(db(), {"apply", exported}).status, 0);
  EXPECT_EQ(State(), state);
  EXPECT_EQ(Custor(db(), {"export"}).out, Custor(db(), {"export"}).out);
}

// Refused before anything is written: at the place in the file, with the reason.
TEST_F(ApplyEndToEnd, MalformedFilesAreRefusedBeforeAnythingIsWritten) {
  Seed({UserDoc("dbuser"), AclDoc("dbacl")});
  const struct {
    std::string text;
    std::vector<std::string> options;
    std::string err;
    bool reads;  // whether the database is read before the refusal
  } cases[] = {
      {R"({"users": [{"id": "a"})",
       {},
       ":1:23: syntax error while parsing array - unexpected end of input; expected ']'\n",
       false},
      {R"({"users": [{"id": "a&b"}]})",
       {},
       ":1:19: \"a&b\" holds '&', which the library refuses in a name (\", <, >, & and bytes below 0x20)\n",
       false},
      {R"({"acls": [{"name": "x"}, {"name": "x"}]})",
       {},
       ":1:35: ACL \"x\" is given twice (first at F:1:20)\n",
       false},
      {R"({"groups": [{"name": "g", "users": ["dbuser", "nobody"]}]})",
       {},
       ":1:47: group \"g\" names user \"nobody\", which is neither in the file nor in the database\n",
       true},
      {R"({"groups": [{"name": "g", "acls": ["dbacl", "noacl"]}]})",
       {},
       ":1:45: group \"g\" names ACL \"noacl\", which is neither in the file nor in the database\n",
       true},
      {R"({"groups": [{"name": "g", "users": ["dbuser"]}]})",
       {"--prune"},
       ":1:37: group \"g\" names user \"dbuser\", which the file does not hold: --prune deletes every user "
       "that the "
       "file does not hold\n",
       true},
  };
  for (const auto &[text, options, err, reads] : cases) {
    const std::string file = File(text);
    std::vector<std::string> args = {"apply", file};
    args.insert(args.end(), options.begin(), options.end());
    Mark();
    const CustorRun run = Custor(db(), args);
    std::string expected = err;
    for (std::size_t at; (at = expected.find("F:")) != std::string::npos;) expected.replace(at, 1, file);
    EXPECT_EQ(run.status, 2) << text;
    EXPECT_EQ(run.err, std::string("custor: ").append(file).append(expected));
    EXPECT_EQ(run.out, "");
    if (reads) {
      ExpectOnlyReads();
    } else {
      EXPECT_THAT(Steps(), ::testing::IsEmpty()) << text;
    }
  }
}

}  // namespace
}  // namespace custor::e2e
