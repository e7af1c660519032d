#include "cli/loader.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>
#endif

#include <filesystem>

#include "custor/agent.h"

namespace custor::cli {
namespace {

#ifdef _WIN32
constexpr const char *kLibraryName = "custor.dll";
constexpr const char *kSeparators = "/\\";
#else
constexpr const char *kLibraryName = "libcustor.so";
constexpr const char *kSeparators = "/";
#endif

// The library imports the agent's services: on Linux it leaves them undefined and this program
// provides them by linking libcustor-agent.so; on Windows custor.dll imports them from custor-agent.dll,
// which this program imports too, so that the one beside the program serves both. Naming them here
// keeps that link.
[[gnu::used]] void *const kAgentServices[] = {
    reinterpret_cast<void *>(&adm_executeRequest),  reinterpret_cast<void *>(&adm_freeResponse),
    reinterpret_cast<void *>(&NIMBAMfLoadResource), reinterpret_cast<void *>(&uxa_get_storage),
    reinterpret_cast<void *>(&uxa_free_storage),    reinterpret_cast<void *>(&dsif_get_parameter),
    reinterpret_cast<void *>(&get_i18n_msg),
};

#ifdef _WIN32
// The system's text for the last error of this thread, as one line.
std::string LastError() {
  const DWORD code = GetLastError();
  char text[512] = "";
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                      code, 0, text, sizeof text, nullptr);
  std::string line(text, length);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' ')) line.pop_back();
  return line.empty() ? "error " + std::to_string(code) : line;
}
#endif

}  // namespace

std::vector<std::string> LibraryCandidates(const std::optional<std::string> &option,
                                           const std::optional<std::string> &env,
                                           const std::string &program_dir, const std::string &libdir) {
  if (option && !option->empty()) return {*option};
  if (env && !env->empty()) return {*env};
  std::vector<std::string> candidates;
  if (!program_dir.empty()) {
#ifdef _WIN32
    static_cast<void>(libdir);
    candidates.push_back(program_dir + "\\" + kLibraryName);
#else
    candidates.push_back(program_dir + "/../lib/" + kLibraryName);
    if (libdir != "lib") candidates.push_back(program_dir + "/../" + libdir + "/" + kLibraryName);
#endif
  }
  candidates.push_back(kLibraryName);
  return candidates;
}

void Library::Open() {
  std::string errors;
  for (const std::string &candidate : candidates_) {
    // A path is tried only when the file is there; the bare name goes to the system's own search.
    if (candidate.find_first_of(kSeparators) != std::string::npos && candidates_.size() > 1 &&
        !std::filesystem::exists(candidate)) {
      continue;
    }
#ifdef _WIN32
    handle_ = LoadLibraryA(candidate.c_str());
    if (handle_ != nullptr) {
      path_ = candidate;
      return;
    }
    errors += "\n  " + candidate + ": " + LastError();
#else
    // RTLD_NOW: every undefined symbol, the agent's services included, must resolve at once.
    handle_ = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ != nullptr) {
      path_ = candidate;
      return;
    }
    const char *error = dlerror();
    errors += "\n  ";
    errors += error != nullptr ? error : candidate;
#endif
  }
  throw LoadError("cannot load " + std::string(kLibraryName) + ":" + errors);
}

void *Library::Lookup(const char *name) {
  if (handle_ == nullptr) Open();
#ifdef _WIN32
  void *function = reinterpret_cast<void *>(GetProcAddress(static_cast<HMODULE>(handle_), name));
#else
  dlerror();
  void *function = dlsym(handle_, name);
#endif
  if (function == nullptr) throw LoadError(path_ + " has no function " + name);
  return function;
}

std::string ProgramDir() {
#ifdef _WIN32
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  if (length == 0 || length == sizeof path) return std::string();
  return std::filesystem::path(std::string(path, length)).parent_path().string();
#else
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : self.parent_path().string();
#endif
}

}  // namespace custor::cli
