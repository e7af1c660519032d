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

// A parser for one pass. Its hash salt is drawn once per process instead of once per parser, which
// spares every pass a round to the system's entropy source and keeps the tables unpredictable.
XML_Parser NewParser() {
  static const unsigned long salt = [] {
    std::random_device entropy;
    return (static_cast<unsigned long>(entropy()) << 16) ^ entropy();
  }();
  XML_Parser parser = XML_ParserCreate(nullptr);
  if (parser == nullptr) throw std::bad_alloc();
  XML_SetHashSalt(parser, salt);
  return parser;
}

struct AttributePass {
  std::string_view element;
  std::string_view attribute;
  std::vector<std::string> *values;
};

void XMLCALL OnStartElement(void *user_data, const XML_Char *name, const XML_Char **atts) {
  auto *pass = static_cast<AttributePass *>(user_data);
  if (pass->element != name) return;
  for (const XML_Char **a = atts; a[0] != nullptr; a += 2) {
    if (pass->attribute == a[0] && pass->values->size() < static_cast<std::size_t>(kCapacity)) {
      pass->values->emplace_back(a[1]);
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

ScanValues CollectAttributeValues(std::string_view reply, std::string_view element,
                                  std::string_view attribute) {
  ScanValues result;
  if (reply.empty()) return result;
  AttributePass pass{element, attribute, &result.values()};
  XML_Parser parser = NewParser();
  XML_SetUserData(parser, &pass);
  XML_SetElementHandler(parser, OnStartElement, nullptr);
  ParseAllButLastByte(parser, reply);
  XML_ParserFree(parser);
  return result;
}

ScanTexts CollectTextValues(std::string_view reply) {
  ScanTexts result;
  if (reply.size() < 25) return result;
  XML_Parser parser = NewParser();
  XML_SetUserData(parser, &result.texts());
  XML_SetCharacterDataHandler(parser, OnCharacterData);
  ParseAllButLastByte(parser, reply);
  XML_ParserFree(parser);
  return result;
}

std::string CheckReply(std::string_view reply) {
  const ScanValues returns = CollectAttributeValues(reply, "kiv:message", "kiv:returnvalue");
  std::size_t text_slot;
  if (returns[0] != "0") {
    text_slot = 0;
  } else if (returns[1] == "0") {
    return "0";
  } else {
    text_slot = 1;
  }
  const ScanValues codes = CollectAttributeValues(reply, "kiv:messagetext", "kiv:code");
  const ScanTexts texts = CollectTextValues(reply);
  return codes[0] + " " + texts[text_slot];
}

}  // namespace custor
