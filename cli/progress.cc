#include "cli/progress.h"

#include <cmath>
#include <ostream>

namespace custor::cli {
namespace {

std::string Duration(double seconds) {
  const auto whole = static_cast<long long>(std::ceil(seconds));
  if (whole < 60) return std::to_string(whole) + "s";
  const std::string s = std::to_string(whole % 60);
  if (whole < 3600) return std::to_string(whole / 60) + "m" + (s.size() < 2 ? "0" : "") + s + "s";
  const std::string m = std::to_string(whole / 60 % 60);
  return std::to_string(whole / 3600) + "h" + (m.size() < 2 ? "0" : "") + m + "m";
}

}  // namespace

std::string ProgressLine(const std::string &what, std::size_t done, std::size_t total, double seconds) {
  std::string line = what + " " + std::to_string(done) + "/" + std::to_string(total);
  if (done == 0 || seconds <= 0) return line;
  const double rate = static_cast<double>(done) / seconds;
  line += "  " + std::to_string(static_cast<long long>(std::llround(rate))) + "/s";
  if (done < total) line += "  " + Duration(static_cast<double>(total - done) / rate) + " left";
  return line;
}

Progress::Progress(std::ostream *err, std::string what, std::size_t total)
    : err_(err), what_(std::move(what)), total_(total), start_(Clock::now()), drawn_(start_) {}

void Progress::Advance() {
  ++done_;
  if (err_ == nullptr) return;
  const Clock::time_point now = Clock::now();
  if (now - start_ < std::chrono::milliseconds(500) ||
      (shown_ && now - drawn_ < std::chrono::milliseconds(200))) {
    return;
  }
  drawn_ = now;
  shown_ = true;
  *err_ << "\r\x1b[K"
        << ProgressLine(what_, done_, total_, std::chrono::duration<double>(now - start_).count())
        << std::flush;
}

void Progress::Clear() {
  if (err_ == nullptr || !shown_) return;
  *err_ << "\r\x1b[K" << std::flush;
  shown_ = false;
}

}  // namespace custor::cli
