#include "scripted_agent/test_agent.h"

#include <cstdlib>
#include <cstring>

#include "custor/agent.h"

namespace custor::testing {

TestAgent &TestAgent::Get() {
  static TestAgent agent;
  return agent;
}

void TestAgent::Reset() {
  if (outstanding_ != nullptr) Free(outstanding_);
  *this = TestAgent();
}

std::vector<std::string> TestAgent::commands() const {
  std::vector<std::string> commands;
  for (const Request &request : requests_) commands.push_back(request.command);
  return commands;
}

char *TestAgent::Execute(const Request &request, uint32_t *length) {
  if (outstanding_ != nullptr) violations_.push_back("request sent before the previous reply was freed");
  requests_.push_back(request);
  Reply reply;
  if (next_ < queue_.size()) {
    reply = queue_[next_++];
  } else if (responder_) {
    reply = responder_(request);
  }
  if (!reply) {
    *length = 0;
    return nullptr;
  }
  // A fresh buffer that Free scribbles over, so a library that keeps it is caught.
  const std::string &text = *reply;
  char *body = static_cast<char *>(std::malloc(text.size() + 1));
  std::memcpy(body, text.c_str(), text.size() + 1);
  *length = static_cast<uint32_t>(text.size());
  outstanding_ = body;
  return body;
}

void TestAgent::Free(char *reply) {
  if (outstanding_ == nullptr || reply != outstanding_) {
    violations_.push_back("adm_freeResponse without an outstanding reply");
    return;
  }
  std::memset(reply, '#', std::strlen(reply));
  std::free(reply);
  outstanding_ = nullptr;
}

const char *TestAgent::Message(const std::string &code) const {
  auto it = messages_.find(code);
  return it == messages_.end() ? nullptr : it->second.c_str();
}

}  // namespace custor::testing

using custor::testing::TestAgent;

extern "C" {

int32_t adm_executeRequest(ServerRequest *request) {
  custor::testing::Request seen{request->path != nullptr ? request->path : "",
                                request->command != nullptr ? request->command : "",
                                request->connectionBlock != nullptr ? request->connectionBlock[1] : 0};
  request->reply = TestAgent::Get().Execute(seen, &request->replyLength);
  return request->replyLength != 0 ? 0 : 1;
}

void adm_freeResponse(ServerRequest *request) {
  TestAgent::Get().Free(request->reply);
  request->reply = nullptr;
}

int32_t NIMBAMfLoadResource(const char *table, const char *code, int32_t /*selector*/, char **text) {
  if (std::strcmp(table, "kivmsg") != 0) return 1;
  *text = const_cast<char *>(TestAgent::Get().Message(code));
  return *text != nullptr ? 0 : 1;
}

uint16_t uxa_get_storage(uint32_t size, int32_t /*kind*/, void **block, const char * /*file*/,
                         int32_t /*line*/) {
  auto &services = TestAgent::Get().readonly_services();
  if (services.storage_status != 0) return services.storage_status;
  *block = std::calloc(1, size);
  ++services.blocks_out;
  return 0;
}

void uxa_free_storage(void *block, int32_t /*kind*/, const char * /*file*/, int32_t /*line*/) {
  --TestAgent::Get().readonly_services().blocks_out;
  std::free(block);
}

uint16_t dsif_get_parameter(const char *database, int32_t /*index*/, const char *name, int32_t /*kind*/,
                            void *block, void ** /*blockRef*/) {
  auto &services = TestAgent::Get().readonly_services();
  ++services.parameter_calls;
  auto it = services.readonly.find(database);
  if (std::strcmp(name, "readonly") != 0 || it == services.readonly.end()) return 1;
  std::memcpy(static_cast<char *>(block) + 40, &it->second, sizeof it->second);
  return 0;
}

void get_i18n_msg(char **text, const char *key) {
  auto &catalogue = TestAgent::Get().readonly_services().catalogue;
  auto it = catalogue.find(key);
  *text = it == catalogue.end() ? nullptr : const_cast<char *>(it->second.c_str());
}

}  // extern "C"
