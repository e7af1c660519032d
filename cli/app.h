// The custor command line as a whole: main() hands it the arguments and the standard streams; the
// end-to-end tests run it in their own process with streams of their own.
#ifndef CUSTOR_CLI_APP_H_
#define CUSTOR_CLI_APP_H_

#include <iosfwd>
#include <string>
#include <vector>

namespace custor::cli {

// Parses `args` (the program name first), runs the command they select and answers its exit status.
// `terminal`: whether `err` is a terminal, where long work may show a progress line; `out_terminal`:
// whether `out` goes to a terminal too, where the line is taken away before other output. Every failure that
// a command reports reaches `err`; only a fault of the standard library (no memory) escapes as an
// exception.
int RunCustor(const std::vector<std::string> &args, std::ostream &out, std::ostream &err, bool terminal,
              bool out_terminal = false);

}  // namespace custor::cli

#endif  // CUSTOR_CLI_APP_H_
