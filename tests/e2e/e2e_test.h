// Base of the end-to-end tests: one corvaned per test program, the library and the agent services
// linked as a real agent links them, and a database of its own for every test.
#ifndef CUSTOR_TESTS_E2E_E2E_TEST_H_
#define CUSTOR_TESTS_E2E_E2E_TEST_H_

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "e2e/corvaned_process.h"

namespace custor::e2e {

class EndToEndTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();
  void SetUp() override;

  static CorvanedProcess &server() { return *server_; }
  // This test's database, created on first use.
  const char *db() const { return db_.c_str(); }

  // The commands sent to this test's database since SetUp or the last Mark().
  std::vector<std::string> Sent() const { return server_->CommandsSince(mark_, db_); }
  void Mark() { mark_ = server_->LogSize(); }

  // Sends one command through the agent's request service, as the library would; returns the reply,
  // or "" when none came.
  std::string Send(const std::string &command) const;
  // Stores a document without a session and expects the server to accept it.
  void Seed(const std::string &document) const;

 private:
  static std::unique_ptr<CorvanedProcess> server_;
  std::string db_;
  std::size_t mark_ = 0;
};

}  // namespace custor::e2e

#endif  // CUSTOR_TESTS_E2E_E2E_TEST_H_
