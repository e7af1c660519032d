#include "cli/loader.h"

#include <dlfcn.h>
#include <unistd.h>

#include <filesystem>

#include "custor/agent.h"

namespace custor::cli {
namespace {

constexpr const char *kLibraryName = "libcustor.so";

// libcustor.so leaves the agent's services undefined; this program provides them by linking
// libcustor-agent.so. Naming them here keeps that link, so that dlopen finds them in the process.
[[gnu::used]] void *const kAgentServices[] = {
    reinterpret_cast<void *>(&adm_executeRequest),  reinterpret_cast<void *>(&adm_freeResponse),
    reinterpret_cast<void *>(&NIMBAMfLoadResource), reinterpret_cast<void *>(&uxa_get_storage),
    reinterpret_cast<void *>(&uxa_free_storage),    reinterpret_cast<void *>(&dsif_get_parameter),
    reinterpret_cast<void *>(&get_i18n_msg),
};

}  // namespace

std::vector<std::string> LibraryCandidates(const std::optional<std::string> &option,
                                           const std::optional<std::string> &env,
                                           const std::string &program_dir, const std::string &libdir) {
  if (option && !option->empty()) return {*option};
  if (env && !env->empty()) return {*env};
  std::vector<std::string> candidates;
  if (!program_dir.empty()) {
    candidates.push_back(program_dir + "/../lib/" + kLibraryName);
    if (libdir != "lib") candidates.push_back(program_dir + "/../" + libdir + "/" + kLibraryName);
  }
  candidates.push_back(kLibraryName);
  return candidates;
}

void Library::Open() {
  std::string errors;
  for (const std::string &candidate : candidates_) {
    // A path with a slash is tried only when the file is there; the bare name goes to the linker.
    if (candidate.find('/') != std::string::npos && candidates_.size() > 1 &&
        !std::filesystem::exists(candidate)) {
      continue;
    }
    // RTLD_NOW: every undefined symbol, the agent's services included, must resolve at once.
    handle_ = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ != nullptr) {
      path_ = candidate;
      return;
    }
    const char *error = dlerror();
    errors += "\n  ";
    errors += error != nullptr ? error : candidate;
  }
  throw LoadError("cannot load " + std::string(kLibraryName) + ":" + errors);
}

void *Library::Lookup(const char *name) {
  if (handle_ == nullptr) Open();
  dlerror();
  void *function = dlsym(handle_, name);
  if (function == nullptr) throw LoadError(path_ + " has no function " + name);
  return function;
}

std::string ProgramDir() {
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : self.parent_path().string();
}

}  // namespace custor::cli
