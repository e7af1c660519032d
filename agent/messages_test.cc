#include "agent/messages.h"

#include <gtest/gtest.h>

#include <string>

#include "agent/test_files.h"
#include "custor/agent.h"

namespace custor::agent {
namespace {

// What the library makes of a code: the code, the loader's text right behind it, one blank.
std::string Composed(const char *code) {
  char *text = nullptr;
  NIMBAMfLoadResource("kivmsg", code, 0, &text);
  return text == nullptr ? std::string(code) : std::string(code) + text + " ";
}

TEST(Messages, BuiltInTableCoversEveryCodeOfTheLibrary) {
  testing::ScopedEnv env("CUSTOR_MESSAGES", std::nullopt);
  const struct {
    const char *code;
    const char *composed;
  } cases[] = {
      {"KIVAAE0370", "KIVAAE0370 Server session could not be opened or continued "},
      {"KIVAAE0372", "KIVAAE0372 ACL does not exist or could not be read "},
      {"KIVAAE0373", "KIVAAE0373 Group to be linked does not exist or could not be read "},
      {"KIVAAE0377", "KIVAAE0377 Duplicate entry text in ACL "},
      {"KIVAAE0386", "KIVAAE0386 ACL already exists "},
      {"KIVAAE0387", "KIVAAE0387 User already exists "},
      {"KIVAAE0388", "KIVAAE0388 User does not exist "},
      {"KIVAAE0389", "KIVAAE0389 ACL does not exist "},
      {"KIVAAE0390", "KIVAAE0390 Group does not exist "},
      {"KIVAAE0400", "KIVAAE0400 Group already exists "},
      {"KIVAAF0369", "KIVAAF0369 Group references could not be removed "},
      {"KIVXHE8201", "KIVXHE8201 ACL to be extended could not be read "},
  };
  for (const auto &c : cases) EXPECT_EQ(Composed(c.code), c.composed);
  EXPECT_EQ(BuiltinMessages().size(), std::size(cases));
}

TEST(Messages, LeavesTheTextNullWhenThereIsNone) {
  testing::ScopedEnv env("CUSTOR_MESSAGES", std::nullopt);
  const struct {
    const char *table;
    const char *code;
    int32_t selector;
  } cases[] = {
      {"kivmsg", "KIVAAE0999", 0},                                 // unknown code
      {"kivmsg", "kivaae0390", 0},                                 // codes are compared exactly
      {"kivmsg", "", 0},           {"othermsg", "KIVAAE0390", 0},  // other table
      {"KIVMSG", "KIVAAE0390", 0}, {"kivmsg", "KIVAAE0390", 1},    // other selector
  };
  for (const auto &c : cases) {
    char *text = nullptr;
    EXPECT_NE(NIMBAMfLoadResource(c.table, c.code, c.selector, &text), 0) << c.table << " " << c.code;
    EXPECT_EQ(text, nullptr) << c.table << " " << c.code;
  }
  EXPECT_NE(NIMBAMfLoadResource(nullptr, "KIVAAE0390", 0, nullptr), 0);
}

TEST(Messages, FileReplacesTheBuiltInTable) {
  testing::TempFile file("KIVAAE0390\t Gruppe existiert nicht\nKIVAAE0388\tWord\n");
  testing::ScopedEnv env("CUSTOR_MESSAGES", file.path());
  EXPECT_EQ(Composed("KIVAAE0390"), "KIVAAE0390 Gruppe existiert nicht ");
  EXPECT_EQ(Composed("KIVAAE0388"), "KIVAAE0388Word ");
  EXPECT_EQ(Composed("KIVAAE0389"), "KIVAAE0389");  // not in the file: no text, the built-in is not used
}

TEST(Messages, UnreadableFileKeepsTheBuiltInTable) {
  testing::ScopedEnv env("CUSTOR_MESSAGES", "/nonexistent/custor/messages");
  EXPECT_EQ(Composed("KIVAAE0390"), "KIVAAE0390 Group does not exist ");
}

}  // namespace
}  // namespace custor::agent
