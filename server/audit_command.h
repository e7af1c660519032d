// "corvaned audit": prints a database's audit trail, oldest first, as a table or as JSON lines.
#ifndef CUSTOR_SERVER_AUDIT_COMMAND_H_
#define CUSTOR_SERVER_AUDIT_COMMAND_H_

#include <cstdio>

namespace corvane {

// Runs "audit --data DIR --database NAME [--since TIME] [--json]" (argv[0] is "audit") and returns the
// exit status: 0, 1 when the trail cannot be read, 2 on a usage error.
int RunAuditCommand(int argc, char** argv, std::FILE* out);

}  // namespace corvane

#endif  // CUSTOR_SERVER_AUDIT_COMMAND_H_
