#include "cli/user_data.h"

#include <gtest/gtest.h>

namespace custor::cli {
namespace {

// The end-to-end apply tests store such contents and read them back through the library; here, what
// each way of writing a text comes back as.
TEST(UserDataOf, FirstQualifyingPieceOfTheTextsAsStoredAndWrittenBack) {
  const std::pair<std::string, std::string> cases[] = {
      {"<name>Ann Lee</name><mail>a@x</mail>", "Ann Lee"},
      {"plain", "plain"},
      {"<n>AT&amp;T</n>", "AT"},   // written back escaped: the reference is a piece of its own
      {"&amp;x", "&"},             // ... which is data when it comes first
      {"<![CDATA[AT&T]]>", "AT"},  // a CDATA section comes back as escaped text
      {"a<!-- note -->b", "ab"},   // a comment is dropped, its two sides are one text
      {"&#65;BC", "ABC"},          // references are decoded when stored
      {"one\ntwo", "one"},         // a line feed ends a piece
      {"  Ann<b>x</b>", "x"},      // a piece that begins with a blank is skipped
      {"\tx<y>z</y>", "z"},        // ... or with a control character
      {"<a>\xC3\x9Cnal</a><b>second</b>", "second"},  // ... or with a byte of 0x80 and above
      {"x]]&gt;y", "x]]"},                            // ">" after "]]" comes back as a reference
      {"<a/>", ""},
      {"", ""},
  };
  for (const auto &[content, data] : cases) EXPECT_EQ(UserDataOf(content), data) << content;
}

TEST(UserDataOf, ContentForGivesBackItsData) {
  for (const std::string data : {"Ann Lee", "&", "<", "a>b", "x]]", "J\xC3\xB6rg \"Co\""}) {
    EXPECT_EQ(UserDataOf(ContentFor(data)), data);
  }
}

TEST(ContentProblem, NamesWhatIsNotWellFormed) {
  EXPECT_EQ(ContentProblem("<a>x</a>text"), std::nullopt);
  EXPECT_EQ(ContentProblem("<a>x"), "mismatched tag at the end of the content");
  EXPECT_EQ(ContentProblem("a & b"), "not well-formed (invalid token) at line 1, column 4 of the content");
  EXPECT_EQ(ContentProblem("x\n y</b>"), "mismatched tag at line 2, column 5 of the content");
}

}  // namespace
}  // namespace custor::cli
