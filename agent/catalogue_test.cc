#include "agent/catalogue.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "custor/agent.h"
#include "support/test_files.h"

namespace custor::agent {
namespace {

std::optional<std::string> Lookup(const char *key) {
  char *text = reinterpret_cast<char *>(1);  // must be overwritten
  get_i18n_msg(&text, key);
  return text == nullptr ? std::nullopt : std::optional<std::string>(text);
}

// The catalogue follows its variable at each call: built in, a file, and an unreadable file.
TEST(Catalogue, AnswersEachKey) {
  testing::TempFile file("yes\tja\nmaybe\tvielleicht\n");
  const std::tuple<std::optional<std::string>, const char *, std::optional<std::string>> cases[] = {
      {std::nullopt, "yes", "yes"},          {std::nullopt, "no", "no"},
      {std::nullopt, "YES", std::nullopt},   {std::nullopt, "maybe", std::nullopt},
      {std::nullopt, nullptr, std::nullopt}, {file.path(), "yes", "ja"},
      {file.path(), "maybe", "vielleicht"},  {"/nonexistent/custor/catalogue", "yes", "yes"},
  };
  for (const auto &[path, key, text] : cases) {
    testing::ScopedEnv env("CUSTOR_CATALOGUE", path);
    EXPECT_EQ(Lookup(key), text) << path.value_or("(built in)") << ": " << (key ? key : "(null)");
  }
}

}  // namespace
}  // namespace custor::agent
