#include "cli/ace_options.h"

namespace custor::cli {

CLI::Option *AddAceOptions(CLI::App &command, AceOptions &options, bool with_omit) {
  CLI::Option *ace = command.add_option("--ace", options.kept, "An entry ACCESS=TEXT, in order (repeatable)")
                         ->type_name("ACCESS=TEXT")
                         ->allow_extra_args(false);
  if (with_omit) {
    command
        .add_option(
            "--omit-ace", options.omitted,
            "An entry with omit \"1\", left out when the ACL is written (repeatable, in order with --ace)")
        ->type_name("ACCESS=TEXT")
        ->allow_extra_args(false);
  }
  return ace;
}

std::vector<AceSpec> CollectAces(const CLI::App &command, const AceOptions &options) {
  std::vector<AceSpec> aces;
  std::size_t next_kept = 0, next_omitted = 0;
  const CLI::Option *ace = command.get_option_no_throw("--ace");
  const CLI::Option *omit = command.get_option_no_throw("--omit-ace");
  // The parse order names the option once per value taken.
  for (const CLI::Option *option : command.parse_order()) {
    if (option == nullptr) continue;
    if (option == ace && next_kept < options.kept.size()) {
      aces.push_back(ParseAce(options.kept[next_kept++], false));
    } else if (option == omit && next_omitted < options.omitted.size()) {
      aces.push_back(ParseAce(options.omitted[next_omitted++], true));
    }
  }
  return aces;
}

}  // namespace custor::cli
