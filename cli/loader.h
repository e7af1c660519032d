// Finds libcustor.so (custor.dll on Windows), loads it with dlopen (LoadLibrary) and looks its functions
// up by name, as a management agent does. The library is loaded on the first lookup, so that help and
// usage errors need none.
#ifndef CUSTOR_CLI_LOADER_H_
#define CUSTOR_CLI_LOADER_H_

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace custor::cli {

// The library cannot be loaded, or lacks a function.
class LoadError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Where to look for the library, in order: `option` (--library), else `env` (CUSTOR_LIBRARY), alone
// when given; else next to the program: <dir>/../lib (the build tree), <dir>/../<libdir> (the
// installation), and last the bare name for the dynamic linker's own search. On Windows, where
// programs and DLLs share a directory: <dir>\custor.dll, then the bare name for LoadLibrary's search.
std::vector<std::string> LibraryCandidates(const std::optional<std::string> &option,
                                           const std::optional<std::string> &env,
                                           const std::string &program_dir, const std::string &libdir);

class Library {
 public:
  explicit Library(std::vector<std::string> candidates) : candidates_(std::move(candidates)) {}
  // The library stays loaded for the life of the process, as it does in an agent: what it keeps for
  // itself (shared status texts) stays valid, and so do the frames of its code in diagnostics.
  ~Library() = default;
  Library(const Library &) = delete;
  Library &operator=(const Library &) = delete;

  // The exported function `name`; throws LoadError naming it when the library has none.
  template <typename Function>
  Function *Get(const char *name) {
    return reinterpret_cast<Function *>(Lookup(name));
  }

  // The file that was loaded (empty before the first lookup).
  const std::string &path() const { return path_; }

 private:
  void *Lookup(const char *name);
  void Open();

  std::vector<std::string> candidates_;
  std::string path_;
  void *handle_ = nullptr;
};

// The directory of the running program.
std::string ProgramDir();

}  // namespace custor::cli

#endif  // CUSTOR_CLI_LOADER_H_
