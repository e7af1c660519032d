#include "core/documents.h"

#include "core/kind.h"
#include "core/protocol.h"

namespace custor {
namespace {

constexpr std::string_view kProcess = "_process=";
constexpr std::string_view kDeclaration = "<?xml version=\"1.0\" encoding=\"utf-8\" ?>";

// The start tag of the document of `kind` named `name`: its kiv:id when given, its name, the namespace.
std::string StartTag(Kind kind, std::string_view name, std::optional<std::string_view> id) {
  std::string tag = "<";
  tag.append(NamesOf(kind).element).append(" ");
  if (id) tag.append("kiv:id=\"").append(*id).append("\" ");
  tag.append(NamesOf(kind).name).append("=\"").append(name).append("\" xmlns:kiv=\"");
  return tag.append(protocol::kKivNamespace).append("\">");
}

std::string EndTag(Kind kind) { return std::string("</").append(NamesOf(kind).element).append(">"); }

void AppendElement(std::string &document, std::string_view open, std::string_view text,
                   std::string_view element) {
  document.append(open).append(text).append("</").append(element).append(">");
}

void AppendReferences(std::string &document, Kind kind, std::span<const std::string> names) {
  const std::string_view element = NamesOf(kind).reference;
  const std::string open = "<" + std::string(element) + ">";
  for (const std::string &name : names) AppendElement(document, open, name, element);
}

}  // namespace

std::string UserDocument(std::string_view userid, std::string_view content) {
  std::string document(kProcess);
  document.append(StartTag(Kind::kUser, userid, std::nullopt)).append(content);
  return document + EndTag(Kind::kUser);
}

std::string AclDocument(std::string_view aclname, std::span<const Ace> aces,
                        std::optional<std::string_view> id) {
  std::string document(kProcess);
  document.append(kDeclaration).append(StartTag(Kind::kAcl, aclname, id));
  for (const Ace &ace : aces) {
    if (LeftOut(ace)) continue;
    AppendElement(document, "<kiv:ace kiv:access=\"" + ace.access + "\">", ace.text, "kiv:ace");
  }
  return document + EndTag(Kind::kAcl);
}

std::string GroupDocument(std::string_view groupname, std::span<const std::string> users,
                          std::span<const std::string> acls, std::optional<std::string_view> id) {
  std::string document(kProcess);
  document.append(kDeclaration).append(StartTag(Kind::kGroup, groupname, id));
  AppendReferences(document, Kind::kUser, users);
  AppendReferences(document, Kind::kAcl, acls);
  return document + EndTag(Kind::kGroup);
}

}  // namespace custor
