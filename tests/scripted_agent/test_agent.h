// The test agent: defines the agent's services for test programs. Requests are answered from a queue
// of scripted replies or by a responder, and every request is recorded (path, command, connection
// word). It also checks the reply contract: adm_freeResponse exactly once after each reply, never
// after a missing one.
#ifndef CUSTOR_TESTS_SCRIPTED_AGENT_TEST_AGENT_H_
#define CUSTOR_TESTS_SCRIPTED_AGENT_TEST_AGENT_H_

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

// On Windows the test agent is a DLL of its own, which exports TestAgent besides the services.
#if defined(_WIN32) && defined(CUSTOR_TEST_AGENT_DLL)
#define CUSTOR_TEST_AGENT_EXPORT __declspec(dllexport)
#else
#define CUSTOR_TEST_AGENT_EXPORT
#endif

namespace custor::testing {

struct Request {
  std::string path;
  std::string command;
  uint32_t connection = 0;
};

// A reply, or std::nullopt for 'no reply' (replyLength 0).
using Reply = std::optional<std::string>;

class CUSTOR_TEST_AGENT_EXPORT TestAgent {
 public:
  // The one agent of the process, as the services see it.
  static TestAgent &Get();

  // Forgets requests, replies, responder, messages and parameters.
  void Reset();

  // Scripted replies, used in order; when the queue is empty the responder answers, and without one
  // the request gets no reply.
  void Queue(Reply reply) { queue_.push_back(std::move(reply)); }
  void Queue(std::initializer_list<Reply> replies) { queue_.insert(queue_.end(), replies); }
  void SetResponder(std::function<Reply(const Request &)> responder) { responder_ = std::move(responder); }
  std::size_t unused_replies() const { return queue_.size() - next_; }

  const std::vector<Request> &requests() const { return requests_; }
  std::vector<std::string> commands() const;

  // Message table "kivmsg" of the resource loader.
  void SetMessage(const std::string &code, const std::string &text) { messages_[code] = text; }
  void ClearMessages() { messages_.clear(); }

  // Storage, data-source parameter and message catalogue services of db_isreadonly.
  struct ReadOnlyServices {
    uint16_t storage_status = 0;               // non-zero: no working block
    std::map<std::string, uint32_t> readonly;  // database -> word at byte 40; unknown: status 1
    std::map<std::string, std::string> catalogue = {{"yes", "yes"}, {"no", "no"}};
    int parameter_calls = 0;
    int blocks_out = 0;  // blocks lent and not yet returned
  };
  ReadOnlyServices &readonly_services() { return readonly_; }

  // Breaches of the reply contract seen so far, as readable lines.
  const std::vector<std::string> &violations() const { return violations_; }
  bool reply_outstanding() const { return outstanding_ != nullptr; }

  // Used by the service functions.
  char *Execute(const Request &request, uint32_t *length);
  void Free(char *reply);
  const char *Message(const std::string &code) const;

 private:
  std::vector<Reply> queue_;
  std::size_t next_ = 0;
  std::function<Reply(const Request &)> responder_;
  std::vector<Request> requests_;
  std::map<std::string, std::string> messages_;
  ReadOnlyServices readonly_;
  std::vector<std::string> violations_;
  char *outstanding_ = nullptr;
};

}  // namespace custor::testing

#endif  // CUSTOR_TESTS_SCRIPTED_AGENT_TEST_AGENT_H_
