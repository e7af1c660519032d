#include "cli/loader.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace custor::cli {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

TEST(LibraryCandidates, OptionThenEnvironmentThenBesideTheProgram) {
  const struct {
    const char *name;
    std::optional<std::string> option, env;
    std::string dir, libdir;
    std::vector<std::string> expected;
  } cases[] = {
      {"option wins", "/opt/a.so", "/env/b.so", "/usr/bin", "lib", {"/opt/a.so"}},
      {"environment next", std::nullopt, "/env/b.so", "/usr/bin", "lib", {"/env/b.so"}},
      {"empty option is no option", "", "/env/b.so", "/usr/bin", "lib", {"/env/b.so"}},
      {"build tree",
       std::nullopt,
       std::nullopt,
       "/b/cli",
       "lib",
       {"/b/cli/../lib/libcustor.so", "libcustor.so"}},
      {"multiarch libdir",
       std::nullopt,
       std::nullopt,
       "/usr/bin",
       "lib/x86_64-linux-gnu",
       {"/usr/bin/../lib/libcustor.so", "/usr/bin/../lib/x86_64-linux-gnu/libcustor.so", "libcustor.so"}},
      {"no program directory", std::nullopt, std::nullopt, "", "lib", {"libcustor.so"}},
  };
  for (const auto &c : cases)
    EXPECT_EQ(LibraryCandidates(c.option, c.env, c.dir, c.libdir), c.expected) << c.name;
}

TEST(Library, UnloadableFileIsALoadError) {
  Library library({"/nonexistent/libcustor.so"});
  try {
    library.Get<char *()>("giveBuild");
    FAIL() << "no LoadError";
  } catch (const LoadError &error) {
    EXPECT_THAT(error.what(), HasSubstr("cannot load libcustor.so"));
    EXPECT_THAT(error.what(), HasSubstr("/nonexistent/libcustor.so"));
  }
}

#ifdef CUSTOR_TEST_LIBRARY
// The real library resolves the agent's services from this program at load (RTLD_NOW).
TEST(Library, LoadsTheLibraryAndNamesAMissingFunction) {
  Library library({CUSTOR_TEST_LIBRARY});
  char *banner = library.Get<char *()>("giveBuild")();
  ASSERT_NE(banner, nullptr);
  EXPECT_STREQ(banner, "CustorDLL Build: 122");
  std::free(banner);
  EXPECT_EQ(library.path(), CUSTOR_TEST_LIBRARY);
  try {
    library.Get<void()>("noSuchFunction");
    FAIL() << "no LoadError";
  } catch (const LoadError &error) {
    EXPECT_EQ(std::string(error.what()),
              std::string(CUSTOR_TEST_LIBRARY) + " has no function noSuchFunction");
  }
}
#endif

}  // namespace
}  // namespace custor::cli
