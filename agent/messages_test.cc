#include "agent/messages.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "core/message_codes.h"
#include "custor/agent.h"
#include "support/test_files.h"

namespace custor::agent {
namespace {

using testing::ScopedEnv;

// What the library makes of a code: the code, the loader's text right behind it, one blank.
std::string Composed(const char *code) {
  char *text = nullptr;
  NIMBAMfLoadResource("kivmsg", code, 0, &text);
  return text == nullptr ? std::string(code) : std::string(code) + text + " ";
}

TEST(Messages, BuiltInTableHasATextForEveryCodeOfTheLibraryAndNoOther) {
  ScopedEnv env("CUSTOR_MESSAGES", std::nullopt);
  for (const MessageCodeText &entry : kMessageCodes) {
    // The code, one blank, the words (the built-in text begins with the blank), one blank.
    const std::string code(entry.text), composed = Composed(code.c_str());
    EXPECT_TRUE(composed.size() > code.size() + 2 && composed.starts_with(code + " ") &&
                composed[code.size() + 1] != ' ' && composed.ends_with(" "))
        << composed;
  }
  EXPECT_EQ(BuiltinMessages().size(), std::size(kMessageCodes));
  // Otherwise the text stays null.
  const std::tuple<const char *, const char *, int32_t> others[] = {
      {"kivmsg", "KIVAAE0999", 0},   {"kivmsg", "kivaae0390", 0}, {"kivmsg", "", 0},
      {"othermsg", "KIVAAE0390", 0}, {"KIVMSG", "KIVAAE0390", 0}, {"kivmsg", "KIVAAE0390", 1},
  };
  for (const auto &[table, code, selector] : others) {
    char *text = nullptr;
    EXPECT_NE(NIMBAMfLoadResource(table, code, selector, &text), 0)
        << table << " " << code << " " << selector;
    EXPECT_EQ(text, nullptr) << table << " " << code << " " << selector;
  }
  EXPECT_NE(NIMBAMfLoadResource(nullptr, "KIVAAE0390", 0, nullptr), 0);
}

// The file's text follows the first tab of its line, every byte kept but a CR at the end; lines
// without a key and comments count for nothing; a repeated code takes the last text.
TEST(Messages, ReadableFileReplacesTheBuiltInTable) {
  testing::TempFile file(
      "# KIVAAE0370\tcomment\nKIVAAE0390\t Gruppe existiert nicht\r\n\nKIVAAE0372 no tab\n\tno key\n"
      "KIVAAE0388\tfirst\nKIVAAE0388\tWord\tx\nKIVAAE0386\t\nKIVAAE0387\tno newline");
  {
    ScopedEnv env("CUSTOR_MESSAGES", file.path());
    const std::pair<const char *, const char *> cases[] = {
        {"KIVAAE0390", "KIVAAE0390 Gruppe existiert nicht "},
        {"KIVAAE0388", "KIVAAE0388Word\tx "},
        {"KIVAAE0386", "KIVAAE0386 "},
        {"KIVAAE0387", "KIVAAE0387no newline "},
    };
    for (const auto &[code, composed] : cases) EXPECT_EQ(Composed(code), composed);
    // Not in the file, so no text: the built-in table does not fill in.
    for (const char *code : {"KIVAAE0389", "KIVAAE0370", "# KIVAAE0370", "KIVAAE0372 no tab"})
      EXPECT_EQ(Composed(code), code);
  }
  ScopedEnv env("CUSTOR_MESSAGES", "/nonexistent/custor/messages");
  EXPECT_EQ(Composed("KIVAAE0390"), "KIVAAE0390 Group does not exist ");
}

}  // namespace
}  // namespace custor::agent
