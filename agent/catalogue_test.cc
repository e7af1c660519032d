#include "agent/catalogue.h"

#include <gtest/gtest.h>

#include <string>

#include "agent/test_files.h"
#include "custor/agent.h"

namespace custor::agent {
namespace {

std::optional<std::string> Lookup(const char *key) {
  char *text = reinterpret_cast<char *>(1);  // must be overwritten
  get_i18n_msg(&text, key);
  if (text == nullptr) return std::nullopt;
  return std::string(text);
}

TEST(Catalogue, AnswersEachKey) {
  testing::TempFile file("yes\tja\nno\tnein\nmaybe\tvielleicht\n");
  const struct {
    std::optional<std::string> file;
    const char *key;
    std::optional<std::string> text;
  } cases[] = {
      {std::nullopt, "yes", "yes"},         {std::nullopt, "no", "no"},
      {std::nullopt, "YES", std::nullopt},  {std::nullopt, "maybe", std::nullopt},
      {file.path(), "yes", "ja"},           {file.path(), "no", "nein"},
      {file.path(), "maybe", "vielleicht"}, {"/nonexistent/custor/catalogue", "yes", "yes"},
  };
  for (const auto &c : cases) {
    testing::ScopedEnv env("CUSTOR_CATALOGUE", c.file);
    EXPECT_EQ(Lookup(c.key), c.text) << c.file.value_or("(built in)") << ": " << c.key;
  }
  char *text = reinterpret_cast<char *>(1);
  get_i18n_msg(&text, nullptr);
  EXPECT_EQ(text, nullptr);
}

}  // namespace
}  // namespace custor::agent
