#include "evaluator.h"

#include <gtest/gtest.h>

#include "document_parser.h"

namespace corvane {
namespace {

DocumentPtr Doc(int64_t id, const char* xml) {
  auto document = std::make_shared<Document>();
  document->id = id;
  EXPECT_TRUE(ParseElement(xml, &document->root)) << xml;
  return document;
}

// The documents of the fixture as a query returns them.
const std::string u2 = "<kiv:user kiv:id=\"1\" kiv:userid=\"u2\">data</kiv:user>";
const std::string u1 = "<kiv:user kiv:id=\"2\" kiv:userid=\"u1\"/>";
const std::string gB =
    "<kiv:group kiv:id=\"3\" kiv:groupname=\"gB\"><kiv:userref>u2</kiv:userref><kiv:userref>u1</kiv:userref>"
    "<kiv:aclref>a1</kiv:aclref></kiv:group>";
const std::string gA =
    "<kiv:group kiv:id=\"4\" kiv:groupname=\"gA\"><kiv:userref>u1</kiv:userref></kiv:group>";
const std::string gC = "<kiv:group kiv:id=\"5\" kiv:groupname=\"gC\"/>";
const std::string aceX = "<kiv:ace kiv:access=\"R\">x</kiv:ace>",
                  aceY = "<kiv:ace kiv:access=\"W\">y</kiv:ace>",
                  aceZ = "<kiv:ace kiv:access=\"R\">z</kiv:ace>";

class EvaluatorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    committed_.Put(Doc(1, "<kiv:user kiv:userid=\"u2\">data</kiv:user>"));
    committed_.Put(Doc(2, "<kiv:user kiv:userid=\"u1\"/>"));
    committed_.Put(
        Doc(3,
            "<kiv:group kiv:groupname=\"gB\"><kiv:userref>u2</kiv:userref><kiv:userref>u1</kiv:userref>"
            "<kiv:aclref>a1</kiv:aclref></kiv:group>"));
    committed_.Put(Doc(4, "<kiv:group kiv:groupname=\"gA\"><kiv:userref>u1</kiv:userref></kiv:group>"));
    committed_.Put(Doc(5, "<kiv:group kiv:groupname=\"gC\"/>"));
    committed_.Put(Doc(6, ("<kiv:acl kiv:aclname=\"a1\">" + aceX + aceY + aceZ + "</kiv:acl>").c_str()));
  }

  std::string Run(const std::string& text, const Changes* changes = nullptr) {
    std::optional<Query> query = ParseQuery(text);
    EXPECT_TRUE(query) << text;
    return query ? WriteSelection(Evaluate(*query, committed_, changes)) : "";
  }

  Collection committed_;
};

TEST_F(EvaluatorTest, Queries) {
  const struct {
    std::string query, nodes;
  } cases[] = {
      {"/kiv:user", u2 + u1},
      {"/kiv:user sortby(@kiv:userid)", u1 + u2},
      {"/kiv:user [@kiv:userid=\"u1\"]", u1},
      {"/kiv:user [@kiv:userid=\"u3\"]", ""},
      {"/kiv:group [kiv:userref=\"u1\"]sortby(@kiv:groupname)", gA + gB},
      {"/kiv:group [kiv:aclref=\"a1\"]sortby(@kiv:groupname asc)", gB},
      {"/kiv:group [@kiv:groupname=\"gB\"] /kiv:userref",
       "<kiv:userref>u2</kiv:userref><kiv:userref>u1</kiv:userref>"},
      {"/kiv:group [@kiv:groupname=\"gB\"] /kiv:userref sortby(.)",
       "<kiv:userref>u1</kiv:userref><kiv:userref>u2</kiv:userref>"},
      {"/kiv:group [@kiv:groupname=\"gC\"] /kiv:userref sortby(.)", ""},
      {"/kiv:acl [@kiv:aclname=\"a1\"] /kiv:ace [. = \"y\"]", aceY},
      {"/kiv:acl [@kiv:aclname=\"a1\"] /kiv:ace [. = \"Y\"]", ""},
      // Ties keep document order, ascending and descending; a missing key sorts first.
      {"/kiv:acl /kiv:ace sortby(@kiv:access)", aceX + aceZ + aceY},
      {"/kiv:acl /kiv:ace sortby(@kiv:access desc)", aceY + aceX + aceZ},
      {"/kiv:group sortby(kiv:userref)", gC + gA + gB},
      {"/kiv:user [.=\"data\"][@kiv:userid=\"u2\"]", u2},
      {"/kiv:user [.=\"data\"][@kiv:userid=\"u1\"]", ""},
      {"/kiv:nothing", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(Run(c.query), c.nodes) << c.query;
}

TEST_F(EvaluatorTest, ChangesOverlayTheCommittedState) {
  Changes changes;
  changes[2] = nullptr;  // u1 deleted
  changes[4] = Doc(4, "<kiv:group kiv:groupname=\"gA\"/>");
  changes[9] = Doc(9, "<kiv:user kiv:userid=\"u0\"/>");
  changes[7] = Doc(7, "<kiv:group kiv:groupname=\"gD\"><kiv:userref>u1</kiv:userref></kiv:group>");
  EXPECT_EQ(Run("/kiv:user", &changes), u2 + "<kiv:user kiv:id=\"9\" kiv:userid=\"u0\"/>");
  EXPECT_EQ(Run("/kiv:user [@kiv:userid=\"u1\"]", &changes), "");
  EXPECT_EQ(Run("/kiv:group [kiv:userref=\"u1\"]", &changes),
            gB + "<kiv:group kiv:id=\"7\" kiv:groupname=\"gD\"><kiv:userref>u1</kiv:userref></kiv:group>");
  EXPECT_EQ(Run("/kiv:user [@kiv:userid=\"u1\"]"), u1);  // the committed state itself is unchanged
}

TEST_F(EvaluatorTest, IndexesFollowReplacementsAndDeletions) {
  committed_.Put(Doc(3, "<kiv:group kiv:groupname=\"gB2\"><kiv:aclref>a2</kiv:aclref></kiv:group>"));
  committed_.Erase(4);
  EXPECT_EQ(Run("/kiv:group [kiv:userref=\"u1\"]"), "");
  EXPECT_EQ(Run("/kiv:group [@kiv:groupname=\"gB\"]"), "");
  EXPECT_EQ(Run("/kiv:group [kiv:aclref=\"a2\"]"),
            "<kiv:group kiv:id=\"3\" kiv:groupname=\"gB2\"><kiv:aclref>a2</kiv:aclref></kiv:group>");
  EXPECT_EQ(committed_.size(), 5u);
}

TEST_F(EvaluatorTest, UserContentAndDecodedLiterals) {
  // User content may hold elements named like a group's references; only the step's kind is looked up.
  committed_.Put(Doc(10, "<kiv:user kiv:userid=\"u9\"><kiv:userref>u1</kiv:userref></kiv:user>"));
  committed_.Put(Doc(11, "<kiv:user kiv:userid=\"a&amp;b&lt;c d\">x &amp; y</kiv:user>"));
  const std::string u9 = "<kiv:user kiv:id=\"10\" kiv:userid=\"u9\"><kiv:userref>u1</kiv:userref></kiv:user>";
  const std::string odd = "<kiv:user kiv:id=\"11\" kiv:userid=\"a&amp;b&lt;c d\">x &amp; y</kiv:user>";
  const struct {
    std::string query, nodes;
  } cases[] = {
      {"/kiv:group [kiv:userref=\"u1\"]", gB + gA},
      {"/kiv:user [kiv:userref=\"u1\"]", u9},
      {"/kiv:user [@kiv:userid=\"a&amp;b&lt;c d\"]", odd},
      {"/kiv:user [@kiv:userid=\"a&b<c\td\"]", odd},  // attribute literals are normalised
      {"/kiv:user [@kiv:userid=\"a&#38;b&#x3c;c&#32;d\"]", odd},
      {"/kiv:user [. = \"x &amp; y\"]", odd},
      {"/kiv:user [. = \"x &amp;  y\"]", ""},
      {"/kiv:user [@kiv:userid=\"A&amp;B&lt;C D\"]", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(Run(c.query), c.nodes) << c.query;
}

}  // namespace
}  // namespace corvane
