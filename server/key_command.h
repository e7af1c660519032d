// "corvaned key add|list|revoke": the access keys of a data directory, managed while the server runs or
// not (a running server sees a change within a second).
#ifndef CUSTOR_SERVER_KEY_COMMAND_H_
#define CUSTOR_SERVER_KEY_COMMAND_H_

namespace corvane {

// Runs the command whose arguments follow "key" (argv[0] is "key"); returns the exit status.
int RunKeyCommand(int argc, char** argv);

}  // namespace corvane

#endif  // CUSTOR_SERVER_KEY_COMMAND_H_
