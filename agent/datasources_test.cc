#include "agent/datasources.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "custor/agent.h"
#include "support/test_files.h"

namespace custor::agent {
namespace {

using testing::ScopedEnv;
constexpr uint32_t kUntouched = 0xA5A5A5A5;
using Answer = std::pair<uint16_t, uint32_t>;

// The status of one question and the word at byte 40 after it; nothing else of the block may change.
Answer Ask(const char *database, const char *name) {
  std::vector<unsigned char> block(560, 0xA5);
  void *ref = block.data();
  const uint16_t status = dsif_get_parameter(database, 0, name, 2, block.data(), &ref);
  uint32_t word = 0;
  std::memcpy(&word, block.data() + kSettingOffset, sizeof word);
  std::memset(block.data() + kSettingOffset, 0xA5, sizeof word);
  EXPECT_EQ(block, std::vector<unsigned char>(560, 0xA5)) << database << "/" << name;
  return {status, word};
}

TEST(DataSources, AnswersTheReadOnlyParameterOfEachDatabase) {
  // Comments, blanks around names and values, key case, CR LF, an unclosed section line (ignored), a
  // repeated section (continued) and a repeated key (the last value counts).
  testing::TempFile file(
      "; readonly = no\n# readonly = no\n[ ro ]\n  ReadOnly\t=\tyes  \r\n[rw]\nreadonly = yes\n[shouting]\n"
      "readonly = YES\nnot a setting\n= no key\n[odd]\nreadonly = yes\n[broken\nreadonly = maybe\n[unset]\n"
      "other = yes\n[rw]\nreadonly = no\n");
  const std::tuple<const char *, const char *, uint16_t, uint32_t> cases[] = {
      {"ro", "readonly", kParameterRead, 1},
      {"rw", "readonly", kParameterRead, 0},
      {"shouting", "readonly", kParameterRead, 1},
      {"odd", "readonly", kBadParameterValue, kUntouched},
      {"unset", "readonly", kUnknownParameter, kUntouched},
      {"RO", "readonly", kUnknownDatabase, kUntouched},
      {"broken", "readonly", kUnknownDatabase, kUntouched},
      {"ro", "READONLY", kUnknownParameter, kUntouched}};
  {
    ScopedEnv env("CUSTOR_DATASOURCES", file.path());
    for (const auto &[database, name, status, word] : cases)
      EXPECT_EQ(Ask(database, name), Answer(status, word)) << database << "/" << name;
    std::ofstream(file.path(), std::ios::trunc) << "[ro]\nreadonly = no\n";  // read again at each call
    EXPECT_EQ(Ask("ro", "readonly").second, 0u);
  }
  for (const std::optional<std::string> &path :
       {std::optional<std::string>(), std::optional(file.path() + ".none")}) {
    ScopedEnv env("CUSTOR_DATASOURCES", path);
    EXPECT_EQ(Ask("ro", "readonly"), Answer(kNoDataSourceFile, kUntouched));
  }
  char block[560];
  EXPECT_EQ(dsif_get_parameter(nullptr, 0, "readonly", 2, block, nullptr), kBadArguments);
  EXPECT_EQ(dsif_get_parameter("ro", 0, nullptr, 2, block, nullptr), kBadArguments);
  EXPECT_EQ(dsif_get_parameter("ro", 0, "readonly", 2, nullptr, nullptr), kBadArguments);
}

TEST(Storage, LendsZeroedBlocks) {
  void *block = nullptr;
  ASSERT_EQ(uxa_get_storage(560, 2, &block, "custor", __LINE__), 0);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(std::memcmp(block, std::vector<unsigned char>(560, 0).data(), 560), 0);
  uxa_free_storage(block, 0, "custor", __LINE__);
  EXPECT_NE(uxa_get_storage(560, 2, nullptr, "custor", __LINE__), 0);
}

}  // namespace
}  // namespace custor::agent
