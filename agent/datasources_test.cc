#include "agent/datasources.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "agent/test_files.h"
#include "custor/agent.h"

namespace custor::agent {
namespace {

constexpr uint32_t kUntouched = 0xA5A5A5A5;

struct Answer {
  uint16_t status;
  uint32_t word;  // the word at byte 40 after the call
};

Answer Ask(const char *database, const char *name = "readonly") {
  std::vector<unsigned char> block(560, 0xA5);
  void *ref = block.data();
  const uint16_t status = dsif_get_parameter(database, 0, name, 2, block.data(), &ref);
  uint32_t word = 0;
  std::memcpy(&word, block.data() + kSettingOffset, sizeof word);
  // Nothing but the word at byte 40 may change.
  for (std::size_t i = 0; i < block.size(); ++i) {
    if (i < kSettingOffset || i >= kSettingOffset + 4) {
      EXPECT_EQ(block[i], 0xA5) << "byte " << i;
    }
  }
  return {status, word};
}

TEST(DataSources, AnswersTheReadOnlyParameterOfEachDatabase) {
  testing::TempFile file(
      "[ro]\nreadonly = yes\n"
      "[rw]\nreadonly = no\n"
      "[shouting]\nreadonly = YES\n"
      "[odd]\nreadonly = maybe\n"
      "[unset]\nother = yes\n");
  testing::ScopedEnv env("CUSTOR_DATASOURCES", file.path());
  const struct {
    const char *database;
    const char *name;
    uint16_t status;
    uint32_t word;
  } cases[] = {
      {"ro", "readonly", kParameterRead, 1},
      {"rw", "readonly", kParameterRead, 0},
      {"shouting", "readonly", kParameterRead, 1},
      {"odd", "readonly", kBadParameterValue, kUntouched},
      {"unset", "readonly", kUnknownParameter, kUntouched},
      {"missing", "readonly", kUnknownDatabase, kUntouched},
      {"RO", "readonly", kUnknownDatabase, kUntouched},
      {"ro", "writable", kUnknownParameter, kUntouched},
      {"ro", "READONLY", kUnknownParameter, kUntouched},
  };
  for (const auto &c : cases) {
    const Answer answer = Ask(c.database, c.name);
    EXPECT_EQ(answer.status, c.status) << c.database << "/" << c.name;
    EXPECT_EQ(answer.word, c.word) << c.database << "/" << c.name;
  }
}

TEST(DataSources, FailsWithoutAFile) {
  {
    testing::ScopedEnv env("CUSTOR_DATASOURCES", std::nullopt);
    EXPECT_EQ(Ask("ro").status, kNoDataSourceFile);
  }
  {
    testing::ScopedEnv env("CUSTOR_DATASOURCES", "/nonexistent/custor/datasources.ini");
    EXPECT_EQ(Ask("ro").status, kNoDataSourceFile);
  }
}

TEST(DataSources, RereadsTheFileAtEachCall) {
  testing::TempFile file("[db]\nreadonly = no\n");
  testing::ScopedEnv env("CUSTOR_DATASOURCES", file.path());
  EXPECT_EQ(Ask("db").word, 0u);
  std::ofstream(file.path(), std::ios::trunc) << "[db]\nreadonly = yes\n";
  EXPECT_EQ(Ask("db").word, 1u);
}

TEST(DataSources, RefusesNullArguments) {
  char block[560];
  EXPECT_EQ(dsif_get_parameter(nullptr, 0, "readonly", 2, block, nullptr), kBadArguments);
  EXPECT_EQ(dsif_get_parameter("db", 0, nullptr, 2, block, nullptr), kBadArguments);
  EXPECT_EQ(dsif_get_parameter("db", 0, "readonly", 2, nullptr, nullptr), kBadArguments);
}

TEST(Storage, LendsZeroedBlocks) {
  void *block = nullptr;
  ASSERT_EQ(uxa_get_storage(560, 2, &block, "custor", __LINE__), 0);
  ASSERT_NE(block, nullptr);
  const std::vector<unsigned char> zeros(560, 0);
  EXPECT_EQ(std::memcmp(block, zeros.data(), zeros.size()), 0);
  uxa_free_storage(block, 0, "custor", __LINE__);
  EXPECT_NE(uxa_get_storage(560, 2, nullptr, "custor", __LINE__), 0);
}

}  // namespace
}  // namespace custor::agent
