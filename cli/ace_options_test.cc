#include "cli/ace_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace custor::cli {
namespace {

// "access=text" for kept entries, "access=text!" for omitted ones.
std::vector<std::string> Parse(std::vector<std::string> args) {
  CLI::App command("test");
  AceOptions options;
  std::string name;
  command.add_option("NAME", name)->required();
  AddAceOptions(command, options, true);
  command.add_option("--group", options.kept);  // another option between entries must not disturb them
  std::reverse(args.begin(), args.end());
  command.parse(args);
  std::vector<std::string> out;
  for (const AceSpec &ace : CollectAces(command, options))
    out.push_back(ace.access + "=" + ace.text + (ace.omit ? "!" : ""));
  return out;
}

TEST(AceOptions, KeepsCommandLineOrderAcrossBothOptions) {
  using Texts = std::vector<std::string>;
  EXPECT_EQ(Parse({"--ace", "r=1", "--omit-ace", "w=2", "acl1", "--ace=x=3"}), (Texts{"r=1", "w=2!", "x=3"}));
  EXPECT_EQ(Parse({"--omit-ace", "w=2", "--ace", "r=1", "acl1"}), (Texts{"w=2!", "r=1"}));
  EXPECT_EQ(Parse({"acl1", "--ace", "read=a = b c"}), Texts{"read=a = b c"});
  EXPECT_THROW(Parse({"--ace", "r=1", "extra", "acl1"}), CLI::ParseError);  // one value per use
  EXPECT_THROW(Parse({"acl1", "--ace", "bad"}), UsageError);
}

}  // namespace
}  // namespace custor::cli
