// apply FILE [--dry-run] [--prune]: makes the database as a file of wanted users, groups and ACLs says.
#include <fstream>
#include <memory>
#include <sstream>

#include "cli/apply_read.h"
#include "cli/apply_steps.h"
#include "cli/command.h"
#include "cli/plan.h"
#include "cli/progress.h"
#include "cli/records.h"

namespace custor::cli {
namespace {

struct ApplyOptions {
  std::string file;
  bool dry_run = false;
  bool prune = false;
};

std::string ReadFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw UsageError("cannot read " + path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

Json StepsJson(const std::vector<Step> &steps) {
  Json list = Json::array();
  for (const Step &step : steps) list.push_back(StepJson(step));
  return list;
}

int Report(const Context &context, const ApplyOptions &options, const std::vector<Step> &steps,
           std::size_t done, const std::string &failure) {
  if (context.json) {
    Json failed = nullptr;
    if (!failure.empty()) failed = Json{{"step", done + 1}, {"status", failure}};
    *context.out << Dump(Json{{"dryRun", options.dry_run},
                              {"steps", StepsJson(steps)},
                              {"done", done},
                              {"failed", failed}})
                 << '\n';
  } else if (steps.empty()) {
    *context.out << "nothing to change: the database is as " << options.file << " says\n";
  } else if (options.dry_run) {
    *context.out << steps.size() << (steps.size() == 1 ? " step" : " steps")
                 << " (dry run: nothing is changed)\n";
    for (std::size_t i = 0; i < steps.size(); ++i)
      *context.out << "  " << i + 1 << ". " << Describe(steps[i]) << '\n';
  } else if (failure.empty()) {
    *context.out << "applied " << done << (done == 1 ? " step" : " steps") << '\n';
  }
  if (failure.empty()) return kSuccess;
  *context.err << "custor: step " << done + 1 << " of " << steps.size()
               << " failed: " << Describe(steps[done]) << ": " << failure << "\ncustor: " << done << " of "
               << steps.size() << " steps were made; apply the file again to go on from there\n";
  return kFailure;
}

int Apply(Context &context, const ApplyOptions &options) {
  const JsonFile file(options.file, ReadFile(options.file));
  const Wanted wanted = ReadWanted(file);
  std::ostream *progress = context.progress ? context.err : nullptr;
  const Reader reader(context);
  ApplyState state = ReadForApply(reader, wanted, options.prune, progress);
  Existence existence(reader, std::move(state.users), std::move(state.acls));
  CheckReferences(file, wanted, existence, options.prune);
  const std::vector<Step> steps = MakePlan(wanted, state.current, options.prune);
  if (options.dry_run || steps.empty()) return Report(context, options, steps, 0, "");

  Progress shown(progress, "applying", steps.size());
  for (std::size_t done = 0; done < steps.size(); ++done) {
    const std::string answer = MakeStep(context, steps[done]);
    if (answer != "0" || context.out_terminal) shown.Clear();
    if (answer != "0") return Report(context, options, steps, done, answer);
    if (!context.json)
      *context.out << "[" << done + 1 << "/" << steps.size() << "] " << Describe(steps[done]) << '\n';
    shown.Advance();
  }
  shown.Clear();
  return Report(context, options, steps, steps.size(), "");
}

// A refusal of the file or of the plan, or a reader's failure: said on stderr, nothing changed.
int Guarded(Context &context, const ApplyOptions &options) {
  try {
    return Apply(context, options);
  } catch (const FileError &error) {
    *context.err << "custor: " << error.what() << '\n';
    return kUsage;
  } catch (const PlanError &error) {
    *context.err << "custor: " << error.what() << "; nothing was changed\n";
    return kFailure;
  } catch (const ReadError &error) {
    *context.err << "custor: reading the database failed: " << error.what() << "; nothing was changed\n";
    return kFailure;
  }
}

}  // namespace

void AddApplyCommand(CLI::App &app, Context &context, Action &action) {
  auto options = std::make_shared<ApplyOptions>();
  CLI::App *apply = app.add_subcommand(
      "apply",
      "Make the database's users, groups and ACLs as FILE says (JSON, see README): creates what is missing "
      "and changes what differs, in dependency order, one library call per step; deletes nothing "
      "without --prune");
  apply->add_option("FILE", options->file, "The wanted state, JSON")->required();
  apply->add_flag("--dry-run", options->dry_run, "Print the steps and what they change, and change nothing");
  apply->add_flag("--prune", options->prune,
                  "Also delete the users, groups and ACLs that FILE does not name");
  apply->callback(
      [&context, &action, options] { action = [&context, options] { return Guarded(context, *options); }; });
}

}  // namespace custor::cli
