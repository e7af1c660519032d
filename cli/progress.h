// The progress line of long work on a terminal: "applying 1200/11500  410/s  25s left", redrawn in
// place on stderr. Never shown when stderr is not a terminal or with --json (Context::progress).
#ifndef CUSTOR_CLI_PROGRESS_H_
#define CUSTOR_CLI_PROGRESS_H_

#include <chrono>
#include <cstddef>
#include <iosfwd>
#include <string>

namespace custor::cli {

class Progress {
 public:
  // Shows nothing when `err` is null.
  Progress(std::ostream *err, std::string what, std::size_t total);
  ~Progress() { Clear(); }
  Progress(const Progress &) = delete;
  Progress &operator=(const Progress &) = delete;

  // One more done; the line is drawn half a second after the start at the earliest, then at most five
  // times a second.
  void Advance();
  // Takes the line away, before other output goes to the terminal; the next Advance draws it again.
  void Clear();

 private:
  using Clock = std::chrono::steady_clock;
  std::ostream *err_;
  std::string what_;
  std::size_t total_, done_ = 0;
  Clock::time_point start_, drawn_;
  bool shown_ = false;
};

// The line for `done` of `total` after `seconds`.
std::string ProgressLine(const std::string &what, std::size_t done, std::size_t total, double seconds);

}  // namespace custor::cli

#endif  // CUSTOR_CLI_PROGRESS_H_
