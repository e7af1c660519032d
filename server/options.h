// The command line of corvaned.
#ifndef CUSTOR_SERVER_OPTIONS_H_
#define CUSTOR_SERVER_OPTIONS_H_

#include <string>
#include <vector>

#include "http_server.h"
#include "service.h"

namespace corvane {

struct Options {
  ServiceOptions service;
  HttpOptions http;
  std::string ready_file;
  bool check_access_key = true;  // false: --no-access-key
};

// Parses the arguments. Returns -1 to go on, or the exit status when the program is to end at once
// (after --help, or on a usage error, with its message written).
int ParseOptions(int argc, char** argv, Options* options);

}  // namespace corvane

#endif  // CUSTOR_SERVER_OPTIONS_H_
