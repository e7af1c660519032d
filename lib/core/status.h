// The outcomes of the library's internal steps, as types: a step succeeds or fails with the text that
// says why; a lookup finds its object, finds it absent, or fails. They become the exported texts only
// where a function returns them.
#ifndef CUSTOR_LIB_CORE_STATUS_H_
#define CUSTOR_LIB_CORE_STATUS_H_

#include <optional>
#include <string>
#include <utility>

#include "core/message_codes.h"

namespace custor {

class Status {
 public:
  static Status Ok() { return Status(); }
  // `text` is what the exported function answers for the failure: a server's verdict, a library
  // message or one of the fixed texts.
  static Status Failed(std::string text) {
    Status status;
    status.failure_ = std::move(text);
    return status;
  }
  // A status that came as text (a server's message line, a caller's record): "0" is success.
  static Status FromText(std::string text) { return text == "0" ? Ok() : Failed(std::move(text)); }

  bool ok() const { return !failure_; }
  // The failure's text; only for a status that is not ok.
  const std::string &failure() const { return *failure_; }
  // The exported form: "0" for success, else the failure's text.
  std::string Text() const { return failure_ ? *failure_ : std::string("0"); }

 private:
  std::optional<std::string> failure_;
};

class Verdict {
 public:
  static Verdict Found() { return Verdict(State::kFound); }
  // The object is not there; `code` is the message that says so.
  static Verdict Absent(MessageCode code) {
    Verdict verdict(State::kAbsent);
    verdict.code_ = code;
    return verdict;
  }
  static Verdict Failed(std::string text) {
    Verdict verdict(State::kFailed);
    verdict.failure_ = std::move(text);
    return verdict;
  }

  bool found() const { return state_ == State::kFound; }
  bool absent() const { return state_ == State::kAbsent; }
  // The message code of an absent object.
  MessageCode code() const { return code_; }
  // What an operation that needs the object answers: success when found, the message text of an absent
  // object, the text of a failed lookup.
  Status ToStatus() const;

 private:
  enum class State { kFound, kAbsent, kFailed };
  explicit Verdict(State state) : state_(state) {}

  State state_;
  MessageCode code_ = MessageCode::kSessionUnusable;
  std::string failure_;
};

}  // namespace custor

#endif  // CUSTOR_LIB_CORE_STATUS_H_
