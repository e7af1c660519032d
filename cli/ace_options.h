// --ace ACCESS=TEXT and --omit-ace ACCESS=TEXT, repeatable and mixed: the entries of an ACL in the
// order in which the command line gives them.
#ifndef CUSTOR_CLI_ACE_OPTIONS_H_
#define CUSTOR_CLI_ACE_OPTIONS_H_

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

#include "cli/records.h"

namespace custor::cli {

struct AceOptions {
  std::vector<std::string> kept, omitted;  // as given, per option
};

// Adds --ace (and, with `with_omit`, --omit-ace) to `command`, each taking one value per use.
CLI::Option *AddAceOptions(CLI::App &command, AceOptions &options, bool with_omit);

// After parsing: every entry, in command-line order; a UsageError for one that is not ACCESS=TEXT.
std::vector<AceSpec> CollectAces(const CLI::App &command, const AceOptions &options);

}  // namespace custor::cli

#endif  // CUSTOR_CLI_ACE_OPTIONS_H_
