// Writes the wanted state of the administration bench (bench/admin_bench): USERS users u0000000..,
// ACLS ACLs a0000000.. of two entries, GROUPS groups g0000000.. of ten consecutive users and one ACL
// each, as apply's file FILE.json; and the same creates, one custor command line each, to COMMANDS.
// usage: admin_file USERS GROUPS ACLS FILE.json COMMANDS
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

namespace {

std::string Name(char kind, long i) {
  char name[16];
  std::snprintf(name, sizeof name, "%c%07ld", kind, i);
  return name;
}

int Write(int argc, char **argv) {
  if (argc != 6) {
    std::fprintf(stderr, "usage: admin_file USERS GROUPS ACLS FILE.json COMMANDS\n");
    return 2;
  }
  const long users = std::atol(argv[1]), groups = std::atol(argv[2]), acls = std::atol(argv[3]);
  if (users < 10 || groups < 1 || acls < 1) {
    std::fprintf(stderr, "admin_file: at least 10 users, 1 group and 1 ACL\n");
    return 2;
  }
  nlohmann::ordered_json file = {{"users", nlohmann::ordered_json::array()},
                                 {"acls", nlohmann::ordered_json::array()},
                                 {"groups", nlohmann::ordered_json::array()}};
  std::ofstream commands(argv[5]);
  // In apply's order: ACLs, users, groups. The contents and texts hold no blank, so that a shell loop
  // can split the command lines into words.
  for (long i = 0; i < acls; ++i) {
    const std::string r = "/r/" + std::to_string(i), w = "/w/" + std::to_string(i);
    file["acls"].push_back(
        {{"name", Name('a', i)},
         {"entries", {{{"access", "read"}, {"text", r}}, {{"access", "write"}, {"text", w}}}}});
    commands << "acl create " << Name('a', i) << " --ace read=" << r << " --ace write=" << w << '\n';
  }
  for (long i = 0; i < users; ++i) {
    const std::string content =
        "<name>user" + std::to_string(i) + "</name><room>" + std::to_string(i % 500) + "</room>";
    file["users"].push_back({{"id", Name('u', i)}, {"content", content}});
    commands << "user create " << Name('u', i) << " --content " << content << '\n';
  }
  for (long i = 0; i < groups; ++i) {
    nlohmann::ordered_json members = nlohmann::ordered_json::array();
    commands << "group create " << Name('g', i) << " --check";
    for (long j = 0; j < 10; ++j) {
      members.push_back(Name('u', (i * 10 + j) % users));
      commands << " --user " << Name('u', (i * 10 + j) % users);
    }
    commands << " --acl " << Name('a', i % acls) << '\n';
    file["groups"].push_back({{"name", Name('g', i)}, {"users", members}, {"acls", {Name('a', i % acls)}}});
  }
  std::ofstream(argv[4]) << file.dump(1) << '\n';
  return commands ? 0 : 1;
}

}  // namespace

int main(int argc, char **argv) {
  try {
    return Write(argc, argv);
  } catch (const std::exception &error) {
    std::fprintf(stderr, "admin_file: %s\n", error.what());
    return 1;
  }
}
