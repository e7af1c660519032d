// The documents that the library stores, as "_process=" commands: a user, an ACL and a group, new or
// (with the kiv:id of the stored one) rewritten in place. Names and texts go in as they are: the
// exported layer refuses any that would break a document.
#ifndef CUSTOR_LIB_CORE_DOCUMENTS_H_
#define CUSTOR_LIB_CORE_DOCUMENTS_H_

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace custor {

// One access control entry (AceRecord). An entry whose omit is exactly "1" is never written.
struct Ace {
  std::string access;
  std::string text;
  std::string omit;
};

// Whether an ACL document leaves `ace` out: its omit is exactly "1".
inline bool LeftOut(const Ace &ace) { return ace.omit == "1"; }

// A new user document, without an XML declaration; `content` goes in as the agent composed it.
std::string UserDocument(std::string_view userid, std::string_view content);

// An ACL document with `aces` in order, but those whose omit is "1"; with `id`, the rewrite of the
// stored document of that kiv:id.
std::string AclDocument(std::string_view aclname, std::span<const Ace> aces,
                        std::optional<std::string_view> id = std::nullopt);

// A group document referring to `users`, then to `acls`, in order; with `id`, the rewrite of the
// stored document of that kiv:id.
std::string GroupDocument(std::string_view groupname, std::span<const std::string> users,
                          std::span<const std::string> acls,
                          std::optional<std::string_view> id = std::nullopt);

}  // namespace custor

#endif  // CUSTOR_LIB_CORE_DOCUMENTS_H_
