// Reply scanning: the library reads what it needs from a server reply by plain string search
// (ExtractElement) and by expat passes over the reply (CollectAttributeValues, CollectTextValues);
// CheckReply classifies a reply as clean or failed with an error text.
//
// Every pass parses the reply in one go, handing expat the reply's length less one byte (the last
// byte is never parsed), and ignores expat's verdict: values met before a syntax error stay collected.
// A pass keeps the first kCapacity values and drops the rest.
#ifndef CUSTOR_LIB_CORE_SCAN_H_
#define CUSTOR_LIB_CORE_SCAN_H_

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/status.h"

namespace custor {

// The values of one CollectAttributeValues pass, in document order. Slots the pass did not fill read
// as the seeds: slot 0 "VRX@DLL PARSE_ERR" (nothing found), slot 1 "0"; any other unfilled slot "".
class ScanValues {
 public:
  int ScanCount() const { return static_cast<int>(values_.size()); }
  const std::string &operator[](std::size_t slot) const;
  const std::vector<std::string> &values() const { return values_; }
  std::vector<std::string> &values() { return values_; }

 private:
  std::vector<std::string> values_;
};

// The pieces of character data kept by one CollectTextValues pass; unfilled slots read "".
class ScanTexts {
 public:
  int ScanCount() const { return static_cast<int>(texts_.size()); }
  const std::string &operator[](std::size_t slot) const;
  const std::vector<std::string> &texts() const { return texts_; }
  std::vector<std::string> &texts() { return texts_; }

 private:
  std::vector<std::string> texts_;
};

// The bytes from the first "<tag" up to and including the first "</tag>" at or after it, or
// "VRX@DLL PARSER COULD NOT FIND TAG". Knows nothing of XML: "<tag" also matches longer names.
std::string ExtractElement(std::string_view reply, std::string_view tag);

// An element and attribute whose values a pass collects.
struct AttributeTarget {
  std::string_view element;
  std::string_view attribute;
};

// Value of attribute `attribute` of every element named `element` (names as written, prefix included).
ScanValues CollectAttributeValues(std::string_view reply, AttributeTarget target);
ScanValues CollectAttributeValues(std::string_view reply, std::string_view element,
                                  std::string_view attribute);

// The values of several targets in one pass: values[i] is what CollectAttributeValues gives for
// targets[i] alone (the pass meets the same elements up to the same error), for one parse instead of
// one per target. `values` has as many slots as `targets`.
void CollectAttributeValues(std::string_view reply, std::span<const AttributeTarget> targets,
                            std::span<ScanValues> values);

template <std::size_t N>
std::array<ScanValues, N> CollectAttributeValues(std::string_view reply,
                                                 const AttributeTarget (&targets)[N]) {
  std::array<ScanValues, N> values;
  CollectAttributeValues(reply, targets, values);
  return values;
}

// The return values of a reply's kiv:message elements, the target of CheckReply's first look.
inline constexpr AttributeTarget kReturnValues{"kiv:message", "kiv:returnvalue"};

// Every piece of character data as expat delivers it whose first byte, read as a signed 8-bit value,
// is greater than 32 (so pieces beginning with a blank, a control byte or a byte of 0x80 and above are
// skipped). A reply shorter than 25 bytes yields nothing.
ScanTexts CollectTextValues(std::string_view reply);

// The query result of a reply, its xql:result element as ExtractElement cuts it; none when the reply
// holds none (or when no reply came).
std::optional<std::string> QueryResult(std::string_view reply);

// The first kept text of the reply's kiv:messageline element, "" when it has none.
std::string MessageLine(std::string_view reply);

// Whether a pass found `first`, the value of its slot 0: a pass that found nothing reads as the seed.
bool Found(const std::string &first);

// The failure text of a reply: the kiv:code of its first kiv:messagetext (or "VRX@DLL PARSE_ERR"), a
// blank and the kept text of slot `text_slot` of the reply.
std::string FailureText(std::string_view reply, std::size_t text_slot);

// Clean when the first kiv:message has kiv:returnvalue "0" and the second (if any) too; otherwise
// failed with the FailureText of the first kept text (of the second when only the second kiv:message
// failed).
Status CheckReply(std::string_view reply);

// CheckReply of `reply` whose kReturnValues were collected already (`returns`).
Status CheckReply(std::string_view reply, const ScanValues &returns);

// Server verdicts that some operations recognise, whole texts as CheckReply composes them: the server
// refuses a second document of one name as "KIVXXE8610 unknown error", and a delete of a document
// that is not there with "KIVXIE8300 No matching document found".
bool IsUnknownError(const Status &verdict);
bool IsNoMatchingDocument(const Status &verdict);

}  // namespace custor

#endif  // CUSTOR_LIB_CORE_SCAN_H_
