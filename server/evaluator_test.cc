// Query evaluation on a committed collection: selection, sorting, nested steps, and indexes that follow
// changes. How literals compare is checked through the parser and the service; that reference lookups
// select only the step's kind, by the query fuzzer's corpus.
#include "evaluator.h"

#include <gtest/gtest.h>

#include "document_parser.h"

namespace corvane {
namespace {

// A document from its form in a query's result, where the kiv:id names it.
DocumentPtr Doc(const std::string& xml) {
  Submission submission = ParseSubmission(xml).value();
  return std::make_shared<Document>(Document{submission.id.value(), std::move(submission.tree)});
}

// u2's content holds a kiv:userref: reference lookups of groups must not answer it.
const std::string u2 =
    "<kiv:user kiv:id=\"1\" kiv:userid=\"u2\">data<kiv:userref>u1</kiv:userref></kiv:user>";
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
    for (const std::string& xml : {u2, u1, gB, gA, gC}) committed_.Put(Doc(xml));
    committed_.Put(Doc("<kiv:acl kiv:id=\"6\" kiv:aclname=\"a1\">" + aceX + aceY + aceZ + "</kiv:acl>"));
  }

  std::string Run(const std::string& text) {
    std::optional<Query> query = ParseQuery(text);
    EXPECT_TRUE(query) << text;
    return query ? WriteSelection(Evaluate(*query, committed_, nullptr)) : "";
  }

  Collection committed_;
};

TEST_F(EvaluatorTest, Queries) {
  const std::pair<std::string, std::string> cases[] = {
      {"/kiv:user", u2 + u1},
      {"/kiv:user sortby(@kiv:userid)", u1 + u2},
      {"/kiv:user [@kiv:userid=\"u1\"]", u1},
      {"/kiv:group [kiv:userref=\"u1\"]sortby(@kiv:groupname)", gA + gB},
      {"/kiv:group [kiv:aclref=\"a1\"]sortby(@kiv:groupname asc)", gB},
      {"/kiv:group [@kiv:groupname=\"gB\"] /kiv:userref",
       "<kiv:userref>u2</kiv:userref><kiv:userref>u1</kiv:userref>"},
      {"/kiv:group [@kiv:groupname=\"gB\"] /kiv:userref sortby(.)",
       "<kiv:userref>u1</kiv:userref><kiv:userref>u2</kiv:userref>"},
      {"/kiv:acl [@kiv:aclname=\"a1\"] /kiv:ace [. = \"y\"]", aceY},
      {"/kiv:acl [@kiv:aclname=\"a1\"] /kiv:ace [. = \"Y\"]", ""},
      // Ties keep document order, ascending and descending; a missing key sorts first.
      {"/kiv:acl /kiv:ace sortby(@kiv:access)", aceX + aceZ + aceY},
      {"/kiv:acl /kiv:ace sortby(@kiv:access desc)", aceY + aceX + aceZ},
      {"/kiv:group sortby(kiv:userref)", gC + gA + gB},
      {"/kiv:user [.=\"data\"][@kiv:userid=\"u2\"]", u2},
      {"/kiv:nothing", ""},
  };
  for (const auto& [query, nodes] : cases) EXPECT_EQ(Run(query), nodes) << query;
}

// What a transaction's changes show is checked with transactions; here the committed state's indexes.
TEST_F(EvaluatorTest, IndexesFollowReplacementsAndDeletions) {
  const std::string gB2 =
      "<kiv:group kiv:id=\"3\" kiv:groupname=\"gB2\"><kiv:aclref>a2</kiv:aclref></kiv:group>";
  committed_.Put(Doc(gB2));
  committed_.Erase(4);
  EXPECT_EQ(Run("/kiv:group [kiv:userref=\"u1\"]"), "");
  EXPECT_EQ(Run("/kiv:group [@kiv:groupname=\"gB\"]"), "");
  EXPECT_EQ(Run("/kiv:group [kiv:aclref=\"a2\"]"), gB2);
  EXPECT_EQ(committed_.size(), 5u);
}

}  // namespace
}  // namespace corvane
