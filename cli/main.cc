// custor: the command-line management agent. It loads libcustor.so as an agent does, provides the
// agent's services (linked from libcustor-agent.so) and calls the library's functions for each command.
#include <unistd.h>

#include <exception>
#include <iostream>

#include "cli/app.h"
#include "cli/command.h"

// Out of memory, or a fault of the standard library: said on stderr, never an abort.
int main(int argc, char **argv) {
  try {
    return custor::cli::RunCustor(std::vector<std::string>(argv, argv + argc), std::cout, std::cerr,
                                  isatty(STDERR_FILENO) == 1, isatty(STDOUT_FILENO) == 1);
  } catch (const std::exception &error) {
    std::cerr << "custor: " << error.what() << '\n';
  } catch (...) {
    std::cerr << "custor: unexpected failure\n";
  }
  return custor::cli::kFailure;
}
