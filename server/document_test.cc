// Parsing of submitted and stored documents, and their compact serialisation with its escaping of text
// and attribute values.
#include <gtest/gtest.h>

#include "document_parser.h"
#include "document_writer.h"

namespace corvane {
namespace {

std::string Write(const Element& element, const int64_t* id = nullptr) {
  std::string out;
  WriteElement(element, &out, id);
  return out;
}

TEST(DocumentTest, SubmissionsKeepAttributesAndContentAsParsed) {
  std::optional<Submission> s = ParseSubmission(
      "<?xml version=\"1.0\" encoding=\"utf-8\" ?><kiv:acl kiv:id=\"7\" kiv:aclname=\"a\" "
      "xmlns:kiv=\"http://namespaces.corvane.example/kiv\" x=\"1\"><kiv:ace kiv:access=\"R\">t1</kiv:ace>"
      "<!-- dropped --><kiv:ace kiv:access=\"W\"><![CDATA[<t2>]]></kiv:ace></kiv:acl>");
  ASSERT_TRUE(s && s->id == 7);
  EXPECT_EQ(Write(s->tree.root(), &*s->id),
            "<kiv:acl kiv:id=\"7\" kiv:aclname=\"a\" x=\"1\"><kiv:ace kiv:access=\"R\">t1</kiv:ace>"
            "<kiv:ace kiv:access=\"W\">&lt;t2></kiv:ace></kiv:acl>");
  // A user's content is any XML.
  s = ParseSubmission(
      "<kiv:user kiv:userid=\"u&amp;&quot;&#10;\" xmlns:kiv=\"n\">text &amp; &lt; &gt; \" ]]&gt;<data "
      "a=\"1\" xmlns:o=\"other\"><o:x/>\xC3\xBC</data>tail</kiv:user>");
  ASSERT_TRUE(s && !s->id);
  EXPECT_EQ(Write(s->tree.root()),
            "<kiv:user kiv:userid=\"u&amp;&quot;&#10;\">text &amp; &lt; > \" ]]&gt;<data a=\"1\" "
            "xmlns:o=\"other\"><o:x/>\xC3\xBC</data>tail</kiv:user>");
}

TEST(DocumentTest, StoredFormReadsBackTheSame) {
  const char* stored =
      "<kiv:group kiv:groupname=\"g &amp; "
      "&lt;&quot;&#9;>&#13;\"><kiv:userref>a&amp;b&lt;c>d&#13;</kiv:userref>"
      "<kiv:aclref/></kiv:group>";
  Tree tree;
  ASSERT_TRUE(ParseElement(stored, &tree));
  EXPECT_EQ(tree.root().attributes()[0].value, "g & <\"\t>\r");
  EXPECT_EQ(Write(tree.root()), stored);
}

TEST(DocumentTest, RefusedSubmissionsAndNestingDepth) {
  for (const char* xml : {"", "<kiv:user kiv:userid=\"u\">", "<kiv:user kiv:userid=\"u\"></kiv:group>",
                          "<kiv:user kiv:userid=\"u\"/><kiv:user kiv:userid=\"v\"/>", "<kiv:user/>",
                          "<kiv:group kiv:userid=\"u\"/>", "<kiv:other kiv:name=\"u\"/>",
                          "<user userid=\"u\"/>", "<kiv:user kiv:id=\"\" kiv:userid=\"u\"/>",
                          "<kiv:user kiv:id=\"VRX@DLL PARSE_ERR\" kiv:userid=\"u\"/>",
                          "<kiv:user kiv:id=\"-1\" kiv:userid=\"u\"/>", "<kiv:user kiv:userid=\"a&b\"/>",
                          "<kiv:user kiv:userid=\"u\">a & b</kiv:user>"}) {
    EXPECT_FALSE(ParseSubmission(xml)) << xml;
  }
  EXPECT_TRUE(ParseSubmission("<kiv:group kiv:groupname=\"\"/>"));
  // At most 1000 levels; far deeper than a thread's stack would take as a tree, closed or cut off.
  auto nested = [](int depth, bool closed) {
    std::string xml = "<kiv:user kiv:userid=\"u\">";
    for (int i = 1; i < depth; ++i) xml += "<a>";
    for (int i = 1; closed && i < depth; ++i) xml += "</a>";
    return closed ? xml + "</kiv:user>" : xml;
  };
  EXPECT_TRUE(ParseSubmission(nested(1000, true)));
  Tree tree;
  EXPECT_FALSE(ParseSubmission(nested(1001, true)) || ParseElement(nested(1001, true), &tree));
  EXPECT_FALSE(ParseSubmission(nested(1'000'000, true)) || ParseSubmission(nested(1'000'000, false)));
}

// A document past a limit, or one whose UTF-8 form would not parse again, is refused with a reason.
TEST(DocumentTest, RefusalsThatSayWhy) {
  const std::string latin1 = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>";
  auto wide = [](int elements) {
    std::string xml = "<kiv:user kiv:userid=\"u\">";
    for (int i = 1; i < elements; ++i) xml += "<a/>";
    return xml + "</kiv:user>";
  };
  const DocumentLimits small{10, 1 << 20};
  const struct {
    std::string xml;
    DocumentLimits limits;
    std::string refusal;  // empty: accepted
  } cases[] = {
      {latin1 + "<kiv:user kiv:userid=\"m\" kiv:\xBAuserid=\"\xE9\"/>",
       {},
       "the name \"kiv:\xC2\xBAuserid\" is no XML name in UTF-8, in which replies carry it"},
      {latin1 + "<kiv:user kiv:userid=\"m\"><\xAA/></kiv:user>",
       {},
       "the name \"\xC2\xAA\" is no XML name in UTF-8, in which replies carry it"},
      {latin1 + "<kiv:user kiv:userid=\"m\"><a \xB5=\"1\"/></kiv:user>",
       {},
       "the name \"\xC2\xB5\" is no XML name in UTF-8, in which replies carry it"},
      // A namespace declaration of the root is not stored, but its name is checked all the same.
      {latin1 + "<kiv:user kiv:userid=\"m\" xmlns:\xBA=\"n\"/>",
       {},
       "the name \"xmlns:\xC2\xBA\" is no XML name in UTF-8, in which replies carry it"},
      {latin1 + "<kiv:user kiv:userid=\"\xE9\"><\xE9/></kiv:user>", {}, ""},  // a name in UTF-8 too
      {wide(10), small, ""},
      {wide(11), small, "more than 10 elements (--max-document-elements)"},
      {"<kiv:user kiv:userid=\"u\">" + std::string(1 << 20, 'x') + "</kiv:user>", small,
       "it would take more than 1 MiB of memory (--max-document-memory)"},
      {"<kiv:user kiv:userid=\"u\" a=\"" + std::string(1 << 20, 'x') + "\"/>", small,
       "it would take more than 1 MiB of memory (--max-document-memory)"},
  };
  for (const auto& c : cases) {
    std::string refusal = "unchanged";
    EXPECT_EQ(ParseSubmission(c.xml, c.limits, &refusal).has_value(), c.refusal.empty()) << c.refusal;
    EXPECT_EQ(refusal, c.refusal);
  }
}

}  // namespace
}  // namespace corvane
