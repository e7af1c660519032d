#include "agent/ini.h"

#include <gtest/gtest.h>

#include "agent/test_files.h"

namespace custor::agent {
namespace {

TEST(IniFile, ReadsSectionsKeysAndValues) {
  const IniFile ini = IniFile::Parse(
      "top = level\n"
      "; comment = no\n"
      "# comment = no\n"
      "[payroll]\n"
      "readonly = yes\n"
      "  ReadOnly2\t=\tspaced value  \r\n"
      "[ archive ]\n"
      "readonly=no\n"
      "not a setting\n"
      "= no key\n"
      "[broken\n"
      "after = broken\n"
      "[payroll]\n"
      "extra = 1\n"
      "readonly = again\n"
      "[empty]\n"
      "blank =\n");
  const struct {
    const char *section;
    const char *key;
    std::optional<std::string> value;
  } cases[] = {
      {"", "top", "level"},
      {"", "; comment", std::nullopt},
      {"payroll", "readonly", "again"},  // a repeated key replaces the earlier value
      {"payroll", "READONLY2", "spaced value"},
      {"payroll", "extra", "1"},       // a repeated section continues
      {"archive", "readonly", "no"},   // blanks around a section name are trimmed
      {"archive", "after", "broken"},  // an unclosed section line is ignored
      {"archive", "not a setting", std::nullopt},
      {"empty", "blank", ""},
      {"Payroll", "readonly", std::nullopt},  // section names keep their case
      {"missing", "readonly", std::nullopt},
  };
  for (const auto &c : cases) EXPECT_EQ(ini.Value(c.section, c.key), c.value) << c.section << "/" << c.key;
  EXPECT_TRUE(ini.HasSection("empty"));
  EXPECT_FALSE(ini.HasSection("broken"));
  EXPECT_FALSE(ini.HasSection(" archive "));
}

TEST(IniFile, ReadsAFileAndRefusesAMissingOne) {
  testing::TempFile file("[db1]\nreadonly = yes\n");
  const std::optional<IniFile> ini = IniFile::Read(file.path());
  ASSERT_TRUE(ini);
  EXPECT_EQ(ini->Value("db1", "readonly"), "yes");
  EXPECT_FALSE(IniFile::Read("/nonexistent/custor/datasources.ini"));
}

}  // namespace
}  // namespace custor::agent
