#include "core/status.h"

#include "core/message.h"

namespace custor {

Status Verdict::ToStatus() const {
  switch (state_) {
    case State::kFound:
      return Status::Ok();
    case State::kAbsent:
      return Status::Failed(MessageText(code_));
    case State::kFailed:
      break;
  }
  return Status::Failed(failure_);
}

}  // namespace custor
