// Four agent processes drive the library against one corvaned at once: creates, modifies, deletes,
// addACE and reads, on names that all of them share and on names that each owns. Every answer is "0"
// or a known refusal; the server keeps serving; and what each process was told it changed is what the
// collection holds at the end, with no group referring to a user or ACL that is gone.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli/results.h"
#include "custor/custor.h"
#include "e2e/corvaned_process.h"

namespace custor::load {
namespace {

constexpr int kProcesses = 4;
constexpr int kOperations = 500;  // per process
constexpr const char *kDb = "load";
const std::vector<std::string> kGroups = {"g0", "g1", "g2", "g3"};

// Refusals that concurrent work on shared names legitimately meets, by message code.
const std::set<std::string> kKnownRefusals = {
    "KIVXIE8300",  // the object to delete or modify is gone
    "KIVXXE8610",  // the object to create is there already
    "KIVAAE0377",  // the entry text is in the ACL already
    "KIVXHE8201",  // the ACL to extend is gone
    "KIVAAE0386",  // the ACL to create is there already
    "KIVAAE0387",  // the user to create is there already
};

std::string Take(char *text) {
  cli::Owned<char> owned(text);
  return text != nullptr ? text : "(null)";
}

// What one process knows of the objects it owns: those it was told it stored, with their groups.
struct Owned {
  std::map<std::string, std::pair<std::string, std::set<std::string>>> users;  // id -> data, groups
  std::map<std::string, std::pair<std::vector<std::string>, std::set<std::string>>> acls;  // entries, groups
};

struct Worker {
  int index;
  std::mt19937 random;
  Owned owned;
  std::map<std::string, int> refusals;
  std::vector<std::string> faults;
  int serial = 0;

  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); }
  std::set<std::string> SomeGroups() {
    std::set<std::string> groups;
    for (const std::string &g : kGroups) {
      if (Pick(2) == 0) groups.insert(g);
    }
    return groups;
  }
  static NameList List(const std::set<std::string> &names) {
    NameList list{};
    for (const std::string &name : names) list.names[list.count++] = const_cast<char *>(name.c_str());
    return list;
  }

  // An answer on a shared name: "0" or a known refusal, counted.
  void Shared(const char *what, const std::string &answer) {
    if (answer == "0") return;
    const std::string code = answer.substr(0, answer.find(' '));
    if (kKnownRefusals.count(code) != 0) {
      ++refusals[code];
    } else {
      faults.push_back(std::string(what) + ": " + answer);
    }
  }
  // An answer on an owned name, where nobody else can be in the way: it must be "0".
  bool Mine(const char *what, const std::string &answer) {
    if (answer == "0") return true;
    faults.push_back(std::string(what) + " (own): " + answer);
    return false;
  }
  void Read(const char *what, const char *status) {
    if (std::string(status) != "0") faults.push_back(std::string(what) + ": " + status);
  }

  void OwnUser() {
    const std::string id = "p" + std::to_string(index) + "_u" + std::to_string(Pick(4));
    const std::string data = "d" + std::to_string(++serial);
    const std::set<std::string> groups = SomeGroups();
    NameList list = List(groups);
    const std::string content = "<data>" + data + "</data>";
    auto it = owned.users.find(id);
    if (it == owned.users.end()) {
      if (Mine("createUser", Take(createUser(0, kDb, content.c_str(), id.c_str(), &list, 0, 0)))) {
        owned.users[id] = {data, groups};
      }
    } else if (Pick(2) == 0) {
      if (Mine("modifyUser",
               Take(modifyUser(0, kDb, id.c_str(), content.c_str(), id.c_str(), &list, 0, 0)))) {
        it->second = {data, groups};
      }
    } else if (Mine("deleteUser", Take(deleteUser(0, kDb, id.c_str(), 0, 0)))) {
      owned.users.erase(it);
    }
  }

  void OwnAcl() {
    const std::string name = "p" + std::to_string(index) + "_a" + std::to_string(Pick(3));
    const std::string entry = "e" + std::to_string(++serial);
    auto it = owned.acls.find(name);
    if (it == owned.acls.end()) {
      const std::set<std::string> groups = SomeGroups();
      NameList list = List(groups);
      AceRecord ace{const_cast<char *>("read"), const_cast<char *>(entry.c_str()), nullptr};
      AclRecord acl{};
      acl.aceCount = 1;
      acl.aces[0] = &ace;
      if (Mine("createACL", Take(createACL(0, kDb, name.c_str(), &list, &acl, 0, 0)))) {
        owned.acls[name] = {{entry}, groups};
      }
    } else if (Pick(3) != 0) {
      if (Mine("addACE", Take(addACE(0, kDb, name.c_str(), entry.c_str(), "write", 0, 0)))) {
        it->second.first.push_back(entry);
      }
    } else if (Mine("deleteACL", Take(deleteACL(0, kDb, name.c_str(), 0, 0)))) {
      owned.acls.erase(it);
    }
  }

  void SharedChange() {
    const std::string user = "s_u" + std::to_string(Pick(6));
    const std::string acl = "s_a" + std::to_string(Pick(3));
    const std::set<std::string> groups = SomeGroups();
    NameList list = List(groups);
    AceRecord ace{const_cast<char *>("read"), const_cast<char *>("all"), nullptr};
    AclRecord record{};
    record.aceCount = 1;
    record.aces[0] = &ace;
    const std::string entry = "x" + std::to_string(index) + "_" + std::to_string(++serial % 5);
    switch (Pick(7)) {
      case 0:
        return Shared("createUser", Take(createUser(0, kDb, "<data>s</data>", user.c_str(), &list, 0, 0)));
      case 1:
        return Shared("modifyUser",
                      Take(modifyUser(0, kDb, user.c_str(), "<data>m</data>", user.c_str(), &list, 0, 0)));
      case 2:
        return Shared("deleteUser", Take(deleteUser(0, kDb, user.c_str(), 0, 0)));
      case 3:
        return Shared("createACL", Take(createACL(0, kDb, acl.c_str(), &list, &record, 0, 0)));
      case 4:
        return Shared("deleteACL", Take(deleteACL(0, kDb, acl.c_str(), 0, 0)));
      default:
        return Shared("addACE", Take(addACE(0, kDb, acl.c_str(), entry.c_str(), "read", 0, 0)));
    }
  }

  void Reads() {
    const std::string group = kGroups[Pick(4)];
    cli::Owned<GroupRecord> g(getDataForGroup_RO(0, kDb, group.c_str(), 0, 0));
    Read("getDataForGroup_RO", g->status);
    cli::Owned<UserRecord> u(getDetailsForUser(0, kDb, ("s_u" + std::to_string(Pick(6))).c_str(), 0, 0));
    Read("getDetailsForUser", u->status);
    cli::Owned<NameList> users(getUsers(0, kDb, 0, 0));
    Read("getUsers", users->status);
  }

  void Run() {
    for (int i = 0; i < kOperations; ++i) {
      const int kind = Pick(10);
      if (kind < 3) {
        OwnUser();
      } else if (kind < 5) {
        OwnAcl();
      } else if (kind < 8) {
        SharedChange();
      } else {
        Reads();
      }
    }
  }

  // One line per owned object and per refusal count, for the parent to check.
  void Report(const std::string &path) const {
    std::ofstream out(path);
    for (const auto &[id, user] : owned.users) {
      out << "user " << id << " " << user.first;
      for (const std::string &g : user.second) out << " " << g;
      out << "\n";
    }
    for (const auto &[name, acl] : owned.acls) {
      out << "acl " << name << " " << acl.first.size();
      for (const std::string &e : acl.first) out << " " << e;
      for (const std::string &g : acl.second) out << " " << g;
      out << "\n";
    }
    for (const auto &[code, count] : refusals) out << "refused " << code << " " << count << "\n";
    for (const std::string &fault : faults) out << "fault " << fault << "\n";
  }
};

std::vector<std::string> Texts(char *const *texts, int32_t count) { return cli::Texts(texts, count); }

TEST(Load, FourAgentsKeepTheCollectionWhole) {
  // Writers queue for the lock rather than fail; sessions that refusals leave open end soon.
  e2e::CorvanedProcess server({"--lock-timeout", "120", "--session-timeout", "2"});
  setenv("CUSTOR_PORT", std::to_string(server.port()).c_str(), 1);
  const std::string dir = server.data_dir();

  // The agent's connection is made in the children only, so that none is shared across a fork.
  auto run = [](auto body) {
    const pid_t pid = fork();
    if (pid == 0) std::_Exit(body());
    return pid;
  };
  int status = 0;
  waitpid(run([] {
            for (const std::string &g : kGroups) {
              GroupRecord group{};
              group.nameOrId = const_cast<char *>(g.c_str());
              if (Take(createGroup(0, kDb, &group, 0, 0)) != "0") return 1;
            }
            return 0;
          }),
          &status, 0);
  ASSERT_EQ(status, 0);

  std::vector<pid_t> workers;
  for (int p = 0; p < kProcesses; ++p) {
    workers.push_back(run([p, dir] {
      Worker worker{p, std::mt19937(1000 + p), {}, {}, {}};
      worker.Run();
      worker.Report(dir + "/worker-" + std::to_string(p));
      return worker.faults.empty() ? 0 : 1;
    }));
  }
  for (pid_t pid : workers) {
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "worker " << pid << " status " << status;
  }

  // The server still serves, and what the workers were told holds.
  cli::Owned<NameList> users(getUsers(0, kDb, 0, 0));
  cli::Owned<NameList> acls(getACLs(0, kDb, 0, 0));
  ASSERT_STREQ(users->status, "0");
  ASSERT_STREQ(acls->status, "0");
  const std::vector<std::string> user_names = Texts(users->names, users->count);
  const std::vector<std::string> acl_names = Texts(acls->names, acls->count);
  const std::set<std::string> user_set(user_names.begin(), user_names.end());
  const std::set<std::string> acl_set(acl_names.begin(), acl_names.end());
  std::map<std::string, std::set<std::string>> members;  // group -> users and ACLs it refers to
  for (const std::string &g : kGroups) {
    cli::Owned<GroupRecord> group(getDataForGroup_RO(0, kDb, g.c_str(), 0, 0));
    ASSERT_STREQ(group->status, "0");
    for (const std::string &u : Texts(group->users, group->userCount)) {
      EXPECT_EQ(user_set.count(u), 1u) << g << " refers to a user that is gone: " << u;
      EXPECT_TRUE(members[g].insert("user " + u).second) << g << " refers twice to " << u;
    }
    for (const std::string &a : Texts(group->acls, group->aclCount)) {
      EXPECT_EQ(acl_set.count(a), 1u) << g << " refers to an ACL that is gone: " << a;
      EXPECT_TRUE(members[g].insert("acl " + a).second) << g << " refers twice to " << a;
    }
  }

  std::map<std::string, int> refusals;
  for (int p = 0; p < kProcesses; ++p) {
    std::ifstream in(dir + "/worker-" + std::to_string(p));
    std::set<std::string> own_users, own_acls;
    std::string line;
    while (std::getline(in, line)) {
      std::istringstream fields(line);
      std::string kind, name;
      fields >> kind >> name;
      if (kind == "fault") ADD_FAILURE() << "worker " << p << ": " << line;
      if (kind == "refused") fields >> refusals[name];
      if (kind == "user") {
        own_users.insert(name);
        std::string data, g;
        fields >> data;
        cli::Owned<UserRecord> user(getDetailsForUser_RO(0, kDb, name.c_str(), 0, 0));
        EXPECT_STREQ(user->status, "0") << name;
        EXPECT_EQ(cli::Text(user->data), data) << name;
        std::set<std::string> expected;
        while (fields >> g) expected.insert(g);
        const std::vector<std::string> groups = Texts(user->groups, user->groupCount);
        EXPECT_EQ(std::set<std::string>(groups.begin(), groups.end()), expected) << name;
      }
      if (kind == "acl") {
        own_acls.insert(name);
        std::size_t n = 0;
        fields >> n;
        std::vector<std::string> entries(n);
        for (std::string &e : entries) fields >> e;
        std::set<std::string> expected;
        std::string g;
        while (fields >> g) expected.insert(g);
        cli::Owned<AclRecord> acl(getDataForACL_RO(0, kDb, name.c_str(), 0, 0));
        EXPECT_STREQ(acl->status, "0") << name;
        std::vector<std::string> texts;
        for (int i = 0; i < cli::Bounded(acl->aceCount); ++i) texts.push_back(cli::Text(acl->aces[i]->text));
        EXPECT_EQ(texts, entries) << name;
        const std::vector<std::string> groups = Texts(acl->groups, acl->groupCount);
        EXPECT_EQ(std::set<std::string>(groups.begin(), groups.end()), expected) << name;
      }
    }
    // An owned object the worker deleted, or never made, is not there.
    const std::string prefix = "p" + std::to_string(p) + "_";
    for (const std::string &u : user_names) {
      if (u.rfind(prefix, 0) == 0) {
        EXPECT_EQ(own_users.count(u), 1u) << "left behind: " << u;
      }
    }
    for (const std::string &a : acl_names) {
      if (a.rfind(prefix, 0) == 0) {
        EXPECT_EQ(own_acls.count(a), 1u) << "left behind: " << a;
      }
    }
  }
  for (const auto &[code, count] : refusals) {
    std::printf("refused %s: %d\n", code.c_str(), count);
    RecordProperty("refused_" + code, count);
  }
  std::printf("requests served: %zu\n", server.LogSize());
}

}  // namespace
}  // namespace custor::load
