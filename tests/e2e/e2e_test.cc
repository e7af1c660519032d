#include "e2e/e2e_test.h"

#include <cstdlib>
#include <string>

#include "custor/agent.h"

namespace custor::e2e {

std::unique_ptr<CorvanedProcess> EndToEndTest::server_;

void EndToEndTest::SetUpTestSuite() {
  server_ = std::make_unique<CorvanedProcess>();
  setenv("CUSTOR_PORT", std::to_string(server_->port()).c_str(), 1);
}

void EndToEndTest::TearDownTestSuite() { server_.reset(); }

void EndToEndTest::SetUp() {
  static int serial = 0;
  db_ =
      "t" + std::to_string(++serial) + "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
  db_.resize(std::min<std::size_t>(db_.size(), 64));
  for (char &c : db_) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-') c = '_';
  }
  Mark();
}

std::string EndToEndTest::Send(const std::string &command) const {
  uint32_t block[4] = {0, 0, 0, 0};
  std::string path = "/corvane/" + db_ + "/kiv:security";
  ServerRequest request = {
      -1, 0, block, "GET", path.data(), command.c_str(), 0, 0, "localhost", 0, 0, 0, 0, nullptr, 0, 0, 0};
  adm_executeRequest(&request);
  if (request.replyLength == 0) return "";
  std::string reply(request.reply, request.replyLength);
  adm_freeResponse(&request);
  return reply;
}

void EndToEndTest::Seed(const std::string &document) const {
  const std::string reply = Send("_process=" + document);
  ASSERT_NE(reply.find("Document stored"), std::string::npos) << document << "\n" << reply;
}

}  // namespace custor::e2e
