#include "cli/loader.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace custor::cli {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::ThrowsMessage;

#ifdef _WIN32
constexpr const char *kName = "custor.dll";
#else
constexpr const char *kName = "libcustor.so";
#endif

TEST(LibraryCandidates, OptionThenEnvironmentThenBesideTheProgram) {
  using Paths = std::vector<std::string>;
  const std::optional<std::string> none;
  EXPECT_EQ(LibraryCandidates("/opt/a.so", "/env/b.so", "/usr/bin", "lib"), Paths{"/opt/a.so"});
  EXPECT_EQ(LibraryCandidates("", "/env/b.so", "/usr/bin", "lib"), Paths{"/env/b.so"});  // empty is none
#ifdef _WIN32
  EXPECT_EQ(LibraryCandidates(none, none, "C:\\custor\\bin", "lib"),
            (Paths{"C:\\custor\\bin\\custor.dll", "custor.dll"}));
#else
  EXPECT_EQ(LibraryCandidates(none, none, "/b/cli", "lib"),
            (Paths{"/b/cli/../lib/libcustor.so", "libcustor.so"}));
  EXPECT_EQ(LibraryCandidates(none, none, "/usr/bin", "lib/x86_64-linux-gnu"),
            (Paths{"/usr/bin/../lib/libcustor.so", "/usr/bin/../lib/x86_64-linux-gnu/libcustor.so",
                   "libcustor.so"}));
#endif
  EXPECT_EQ(LibraryCandidates(none, none, "", "lib"), Paths{kName});
}

TEST(Library, UnloadableFileIsALoadError) {
  Library library({"/nonexistent/libcustor.so"});
  EXPECT_THAT([&] { library.Get<char *()>("giveBuild"); },
              ThrowsMessage<LoadError>(AllOf(HasSubstr(std::string("cannot load ") + kName + ":"),
                                             HasSubstr("/nonexistent/libcustor.so"))));
}

#ifdef CUSTOR_TEST_LIBRARY
// The real library resolves the agent's services from this program at load (RTLD_NOW).
TEST(Library, LoadsTheLibraryAndNamesAMissingFunction) {
  Library library({CUSTOR_TEST_LIBRARY});
  EXPECT_NE(library.Get<char *()>("giveBuild"), nullptr);
  EXPECT_EQ(library.path(), CUSTOR_TEST_LIBRARY);
  EXPECT_THAT([&] { library.Get<void()>("noSuchFunction"); },
              ThrowsMessage<LoadError>(std::string(CUSTOR_TEST_LIBRARY) + " has no function noSuchFunction"));
}
#endif

}  // namespace
}  // namespace custor::cli
