#include "key_command.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <string>
#include <vector>

#include "key_table.h"
#include "private_files.h"

namespace corvane {

int RunKeyCommand(int argc, char** argv) {
  CLI::App app{
      "corvaned key: the access keys of a data directory. The key table DIR/keys holds each key's "
      "name and SHA-256, never the key itself.",
      "corvaned key"};
  std::string dir = ".", name, out;
  auto with_data = [&dir](CLI::App* command) {
    command->add_option("--data", dir, "Data directory")->capture_default_str();
  };
  CLI::App* add = app.add_subcommand("add", "Make a new key NAME; it is printed once, or written to FILE");
  add->add_option("NAME", name, "1 to 64 of A-Z a-z 0-9 _ - . @")->required();
  add->add_option("--out", out, "Write the key to FILE (mode 0600) instead of printing it")
      ->type_name("FILE");
  with_data(add);
  CLI::App* list = app.add_subcommand("list", "Print the names of the keys, one a line");
  with_data(list);
  CLI::App* revoke = app.add_subcommand("revoke", "Remove the key NAME: requests that carry it are refused");
  revoke->add_option("NAME", name)->required();
  with_data(revoke);
  app.require_subcommand(1);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  }

  std::string error, key;
  std::vector<KeyEntry> entries;
  bool ok = true, exists = false;
  if (add->parsed()) {
    ok = MakePrivateDirectory(dir, &error) && NewAccessKey(&key, &error) && AddKey(dir, name, key, &error);
    if (ok && !out.empty() && !WritePrivateFile(out, key + "\n", &error)) {
      std::string ignored;
      RevokeKey(dir, name, &ignored);  // a key that nobody holds lets nobody in
      ok = false;
    } else if (ok && out.empty()) {
      std::printf("%s\n", key.c_str());
    }
  } else if (list->parsed()) {
    ok = ReadKeyTable(dir, &entries, &exists, &error);
    for (const KeyEntry& entry : entries) std::printf("%s\n", entry.name.c_str());
  } else if (revoke->parsed()) {
    ok = RevokeKey(dir, name, &error);
  }
  if (!ok) std::fprintf(stderr, "corvaned key: %s\n", error.c_str());
  return ok ? 0 : 1;
}

}  // namespace corvane
