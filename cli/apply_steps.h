// The library calls that make the steps of apply's plan.
#ifndef CUSTOR_CLI_APPLY_STEPS_H_
#define CUSTOR_CLI_APPLY_STEPS_H_

#include <string>

#include "cli/command.h"
#include "cli/plan.h"

namespace custor::cli {

// Makes `step` with its one library call, run again after a transaction conflict as --retries allows;
// the library's answer, "0" for success. Groups are stored with the checked variants, so that a user or
// ACL deleted since the plan is never referred to.
std::string MakeStep(const Context &context, const Step &step);

}  // namespace custor::cli

#endif  // CUSTOR_CLI_APPLY_STEPS_H_
