// The custor command line run in the test's own process, against the fixture's corvaned and database.
#ifndef CUSTOR_TESTS_E2E_CUSTOR_RUN_H_
#define CUSTOR_TESTS_E2E_CUSTOR_RUN_H_

#include <sstream>
#include <string>
#include <vector>

#include "cli/app.h"

namespace custor::e2e {

struct CustorRun {
  int status;
  std::string out, err;
};

// custor --library LIB --db `db` ARGS...; `terminal`: stderr is taken for a terminal.
inline CustorRun Custor(const std::string &db, const std::vector<std::string> &args, bool terminal = false) {
  std::vector<std::string> line = {"custor", "--library", CUSTOR_LIBRARY_FILE, "--db", db};
  line.insert(line.end(), args.begin(), args.end());
  std::ostringstream out, err;
  const int status = cli::RunCustor(line, out, err, terminal);
  return {status, out.str(), err.str()};
}

}  // namespace custor::e2e

#endif  // CUSTOR_TESTS_E2E_CUSTOR_RUN_H_
