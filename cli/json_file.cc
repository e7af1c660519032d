#include "cli/json_file.h"

#include <algorithm>
#include <iterator>
#include <optional>
#include <set>
#include <vector>

namespace custor::cli {
namespace {

// Walks a text as an input iterator and tells `reached` how far the parser has read.
class ReadingIterator {
 public:
  using iterator_category = std::input_iterator_tag;
  using value_type = char;
  using difference_type = std::ptrdiff_t;
  using pointer = const char *;
  using reference = const char &;

  ReadingIterator(const char *at, const char **reached) : at_(at), reached_(reached) {}
  reference operator*() const { return *at_; }
  ReadingIterator &operator++() {
    *reached_ = ++at_;
    return *this;
  }
  ReadingIterator operator++(int) {
    ReadingIterator before = *this;
    ++*this;
    return before;
  }
  bool operator==(const ReadingIterator &other) const { return at_ == other.at_; }
  bool operator!=(const ReadingIterator &other) const { return at_ != other.at_; }

 private:
  const char *at_;
  const char **reached_;
};

// Records where each value begins, by its JSON pointer. The parser reports a value once it has read
// it; what lies between the end of the previous report and a value is only blanks, ',' and ':'.
class Locator : public nlohmann::json_sax<Json> {
 public:
  using Offsets = std::unordered_map<std::string, std::size_t>;
  Locator(const std::string &text, const char **reached, Offsets *offsets, Offsets *members)
      : text_(text), reached_(reached), offsets_(offsets), members_(members) {}

  bool null() override { return Value(); }
  bool boolean(bool) override { return Value(); }
  bool number_integer(number_integer_t) override { return Value(); }
  bool number_unsigned(number_unsigned_t) override { return Value(); }
  bool number_float(number_float_t, const string_t &) override { return Value(); }
  bool string(string_t &) override { return Value(); }
  bool binary(binary_t &) override { return Value(); }
  bool start_object(std::size_t) override { return Open(false); }
  bool start_array(std::size_t) override { return Open(true); }
  bool end_object() override { return Close(); }
  bool end_array() override { return Close(); }
  bool key(string_t &key) override {
    Frame &frame = open_.back();
    if (!frame.keys.insert(key).second) {
      duplicate_ = Start();
      return false;
    }
    members_->emplace(frame.path + "/" + Escaped(key), Start());
    frame.key = key;
    last_ = Reached();
    return true;
  }
  bool parse_error(std::size_t, const std::string &, const nlohmann::detail::exception &) override {
    return false;
  }

  // Where a member given a second time stopped the parse.
  std::optional<std::size_t> duplicate() const { return duplicate_; }

 private:
  struct Frame {
    bool array = false;
    std::string path, key;
    std::size_t index = 0;
    std::set<std::string> keys;
  };

  static std::string Escaped(const std::string &key) {
    std::string escaped;
    for (const char c : key) escaped += c == '~' ? "~0" : c == '/' ? "~1" : std::string(1, c);
    return escaped;
  }
  std::size_t Reached() const { return static_cast<std::size_t>(*reached_ - text_.data()); }
  std::size_t Start() const {
    std::size_t at = last_;
    while (at < text_.size() && std::string_view(" \t\r\n,:").find(text_[at]) != std::string_view::npos) ++at;
    return at;
  }
  std::string Mark() {
    std::string path;
    if (!open_.empty()) {
      Frame &frame = open_.back();
      path = frame.path + "/" + (frame.array ? std::to_string(frame.index++) : Escaped(frame.key));
    }
    offsets_->emplace(path, Start());
    last_ = Reached();
    return path;
  }
  bool Value() {
    Mark();
    return true;
  }
  bool Open(bool array) {
    std::string path = Mark();
    Frame frame;
    frame.array = array;
    frame.path = std::move(path);
    open_.push_back(std::move(frame));
    return true;
  }
  bool Close() {
    open_.pop_back();
    last_ = Reached();
    return true;
  }

  const std::string &text_;
  const char **reached_;
  Offsets *offsets_, *members_;
  std::vector<Frame> open_;
  std::size_t last_ = 0;
  std::optional<std::size_t> duplicate_;
};

// nlohmann's message without its own "[json.exception...] parse error at line L, column C: " head.
std::string Reason(const nlohmann::json::parse_error &error) {
  const std::string what = error.what();
  const std::size_t colon = what.find(": ");
  return colon == std::string::npos ? what : what.substr(colon + 2);
}

}  // namespace

JsonFile::JsonFile(std::string name, std::string text) : name_(std::move(name)), text_(std::move(text)) {
  try {
    root_ = Json::parse(text_);
  } catch (const nlohmann::json::parse_error &error) {
    // The byte count points just past the byte that ended the parse.
    throw FileError(PlaceOf(error.byte > 0 ? error.byte - 1 : 0) + ": " + Reason(error));
  }
  const char *reached = text_.data();
  Locator locator(text_, &reached, &offsets_, &members_);
  const ReadingIterator begin(text_.data(), &reached), end(text_.data() + text_.size(), &reached);
  if (!Json::sax_parse(begin, end, &locator) && locator.duplicate()) {
    throw FileError(PlaceOf(*locator.duplicate()) + ": this member is given twice");
  }
}

std::string JsonFile::PlaceOf(std::size_t offset) const {
  offset = std::min(offset, text_.size());
  const auto begin = text_.begin(), at = text_.begin() + static_cast<std::ptrdiff_t>(offset);
  const auto line_start = std::find(std::make_reverse_iterator(at), text_.rend(), '\n').base();
  return name_ + ":" + std::to_string(std::count(begin, at, '\n') + 1) + ":" +
         std::to_string(at - line_start + 1);
}

std::string JsonFile::Where(const std::string &path) const {
  const auto found = offsets_.find(path);
  return PlaceOf(found != offsets_.end() ? found->second : 0);
}

FileError JsonFile::Error(const std::string &path, const std::string &reason) const {
  return FileError(Where(path) + ": " + reason);
}

FileError JsonFile::MemberError(const std::string &path, const std::string &reason) const {
  const auto found = members_.find(path);
  return FileError(PlaceOf(found != members_.end() ? found->second : 0) + ": " + reason);
}

}  // namespace custor::cli
