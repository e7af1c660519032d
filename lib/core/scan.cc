#include "core/scan.h"

#include <expat.h>

#include <climits>
#include <cstring>
#include <new>
#include <random>

#include "core/text.h"

namespace custor {
namespace {

const std::string kSeedNotFound(kParseErr);
const std::string kSeedZero = "0";
const std::string kEmpty;

// Parses all but the last byte of `reply` as the final piece, in slices that fit expat's int
// length; stops at the first error, whose verdict is not consulted.
void ParseAllButLastByte(XML_Parser parser, std::string_view reply) {
  std::string_view rest = reply.substr(0, reply.size() - 1);
  do {
    const std::size_t n = rest.size() > INT_MAX ? INT_MAX : rest.size();
    const bool last = n == rest.size();
    if (XML_Parse(parser, rest.data(), static_cast<int>(n), last) != XML_STATUS_OK) return;
    rest.remove_prefix(n);
  } while (!rest.empty());
}

// The parser of this thread, reset for each pass instead of created anew: a reset keeps expat's input
// buffer and pools, which spares every pass building and freeing a whole parser. After a pass over a
// long reply the parser is freed instead, so that what expat grew for it is not
// kept. The hash salt is drawn once per process (not once per parser, which would ask the system's
// entropy source every pass) and set again after every reset, so the tables stay unpredictable.
class PassParser {
 public:
  // Replies up to this size leave their parser for the next pass.
  static constexpr std::size_t kKeptAfter = std::size_t{64} << 10;

  explicit PassParser(std::size_t reply_size) : keep_(reply_size <= kKeptAfter) {
    static const unsigned long salt = [] {
      std::random_device entropy;
      return (static_cast<unsigned long>(entropy()) << 16) ^ entropy();
    }();
    XML_Parser &kept = Kept();
    if (kept != nullptr && XML_ParserReset(kept, nullptr) == XML_TRUE) {
      parser_ = kept;
    } else {
      parser_ = XML_ParserCreate(nullptr);
      if (parser_ == nullptr) throw std::bad_alloc();
      if (kept != nullptr) XML_ParserFree(kept);
    }
    kept = nullptr;
    XML_SetHashSalt(parser_, salt);
  }
  ~PassParser() {
    if (keep_ && Kept() == nullptr) {
      Kept() = parser_;
    } else {
      XML_ParserFree(parser_);
    }
  }
  PassParser(const PassParser &) = delete;
  PassParser &operator=(const PassParser &) = delete;

  XML_Parser get() const { return parser_; }

 private:
  // The parser kept between passes of this thread; freed when the thread ends.
  static XML_Parser &Kept() {
    struct Slot {
      XML_Parser parser = nullptr;
      ~Slot() {
        if (parser != nullptr) XML_ParserFree(parser);
      }
    };
    thread_local Slot slot;
    return slot.parser;
  }

  XML_Parser parser_;
  bool keep_;
};

struct AttributePass {
  std::span<const AttributeTarget> targets;
  std::span<ScanValues> values;
};

void XMLCALL OnStartElement(void *user_data, const XML_Char *name, const XML_Char **atts) {
  const auto *pass = static_cast<const AttributePass *>(user_data);
  for (std::size_t t = 0; t < pass->targets.size(); ++t) {
    if (pass->targets[t].element != name) continue;
    std::vector<std::string> &values = pass->values[t].values();
    for (const XML_Char **a = atts; a[0] != nullptr; a += 2) {
      if (pass->targets[t].attribute == a[0] && values.size() < static_cast<std::size_t>(kCapacity)) {
        values.emplace_back(a[1]);
      }
    }
  }
}

void XMLCALL OnCharacterData(void *user_data, const XML_Char *piece, int length) {
  auto *texts = static_cast<std::vector<std::string> *>(user_data);
  if (length <= 0 || static_cast<signed char>(piece[0]) <= 32) return;
  if (texts->size() < static_cast<std::size_t>(kCapacity)) texts->emplace_back(piece, length);
}

}  // namespace

const std::string &ScanValues::operator[](std::size_t slot) const {
  if (slot < values_.size()) return values_[slot];
  if (slot == 0) return kSeedNotFound;
  if (slot == 1) return kSeedZero;
  return kEmpty;
}

const std::string &ScanTexts::operator[](std::size_t slot) const {
  return slot < texts_.size() ? texts_[slot] : kEmpty;
}

std::string ExtractElement(std::string_view reply, std::string_view tag) {
  const std::string opening = "<" + std::string(tag);
  const std::string closing = "</" + std::string(tag) + ">";
  const std::size_t begin = reply.find(opening);
  if (begin == std::string_view::npos) return std::string(kTagNotFound);
  const std::size_t end = reply.find(closing, begin);
  if (end == std::string_view::npos) return std::string(kTagNotFound);
  return std::string(reply.substr(begin, end + closing.size() - begin));
}

ScanValues CollectAttributeValues(std::string_view reply, AttributeTarget target) {
  const AttributeTarget targets[] = {target};
  return CollectAttributeValues(reply, targets)[0];
}

ScanValues CollectAttributeValues(std::string_view reply, std::string_view element,
                                  std::string_view attribute) {
  return CollectAttributeValues(reply, AttributeTarget{element, attribute});
}

void CollectAttributeValues(std::string_view reply, std::span<const AttributeTarget> targets,
                            std::span<ScanValues> values) {
  if (reply.empty()) return;
  const AttributePass pass{targets, values.first(targets.size())};
  const PassParser pass_parser(reply.size());
  XML_Parser parser = pass_parser.get();
  XML_SetUserData(parser, const_cast<AttributePass *>(&pass));
  XML_SetElementHandler(parser, OnStartElement, nullptr);
  ParseAllButLastByte(parser, reply);
}

ScanTexts CollectTextValues(std::string_view reply) {
  ScanTexts result;
  if (reply.size() < 25) return result;
  const PassParser pass_parser(reply.size());
  XML_Parser parser = pass_parser.get();
  XML_SetUserData(parser, &result.texts());
  XML_SetCharacterDataHandler(parser, OnCharacterData);
  ParseAllButLastByte(parser, reply);
  return result;
}

std::optional<std::string> QueryResult(std::string_view reply) {
  std::string result = ExtractElement(reply, "xql:result");
  if (result == kTagNotFound) return std::nullopt;
  return result;
}

std::string MessageLine(std::string_view reply) {
  return CollectTextValues(ExtractElement(reply, "kiv:messageline"))[0];
}

bool Found(const std::string &first) { return first != kParseErr; }

std::string FailureText(std::string_view reply, std::size_t text_slot) {
  const ScanValues codes = CollectAttributeValues(reply, "kiv:messagetext", "kiv:code");
  return codes[0] + " " + CollectTextValues(reply)[text_slot];
}

Status CheckReply(std::string_view reply) {
  return CheckReply(reply, CollectAttributeValues(reply, kReturnValues.element, kReturnValues.attribute));
}

Status CheckReply(std::string_view reply, const ScanValues &returns) {
  std::size_t text_slot;
  if (returns[0] != "0") {
    text_slot = 0;
  } else if (returns[1] == "0") {
    return Status::Ok();
  } else {
    text_slot = 1;
  }
  return Status::Failed(FailureText(reply, text_slot));
}

bool IsUnknownError(const Status &verdict) {
  return !verdict.ok() && verdict.failure() == "KIVXXE8610 unknown error";
}

bool IsNoMatchingDocument(const Status &verdict) {
  return !verdict.ok() && verdict.failure() == "KIVXIE8300 No matching document found";
}

}  // namespace custor
