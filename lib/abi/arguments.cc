#include "abi/arguments.h"

#include "abi/answers.h"
#include "core/text.h"

namespace custor {
namespace {

bool CountFits(int32_t count) { return count >= 0 && count <= kCapacity; }

// The first `count` texts of `entries`; none when the count breaks the interface or an entry is null.
std::optional<std::vector<std::string>> Texts(char *const *entries, int32_t count) {
  if (!CountFits(count)) return std::nullopt;
  std::vector<std::string> texts;
  texts.reserve(count);
  for (int32_t i = 0; i < count; ++i) {
    if (entries[i] == nullptr) return std::nullopt;
    texts.emplace_back(entries[i]);
  }
  return texts;
}

std::optional<GroupContent> GroupFrom(const ::GroupRecord &group) {
  if (group.nameOrId == nullptr) return std::nullopt;
  auto users = Texts(group.users, group.userCount);
  auto acls = Texts(group.acls, group.aclCount);
  if (!users || !acls) return std::nullopt;
  return GroupContent{group.nameOrId, std::move(*users), std::move(*acls)};
}

std::optional<std::vector<Ace>> AcesFrom(const ::AclRecord &acl) {
  if (!CountFits(acl.aceCount)) return std::nullopt;
  std::vector<Ace> aces;
  aces.reserve(acl.aceCount);
  for (int32_t i = 0; i < acl.aceCount; ++i) {
    const ::AceRecord *ace = acl.aces[i];
    if (ace == nullptr || ace->access == nullptr || ace->text == nullptr) return std::nullopt;
    aces.push_back(Ace{ace->access, ace->text, ace->omit != nullptr ? ace->omit : ""});
  }
  return aces;
}

// Whether `name` can stand inside a command, a query literal and a document as it is.
bool IsValidName(std::string_view name) {
  for (const char c : name) {
    if (c == '"' || c == '<' || c == '>' || c == '&' || static_cast<unsigned char>(c) < 0x20) return false;
  }
  return true;
}

}  // namespace

void Arguments::Refuse(std::string_view refusal) {
  if (refusal_ != kInvalidArgument) refusal_ = refusal;
}

Call Arguments::CallTo(uint32_t context, const char *database, uint32_t connection, uint32_t extra) {
  return Call{context, std::string(Text(database)), connection, extra};
}

std::string_view Arguments::Text(const char *text) {
  if (text != nullptr) return text;
  Refuse(kInvalidArgument);
  return {};
}

void Arguments::CheckName(std::string_view name) {
  if (!IsValidName(name)) Refuse(kInvalidName);
}

std::string_view Arguments::Name(const char *name) {
  const std::string_view checked = Text(name);
  CheckName(checked);
  return checked;
}

std::vector<std::string> Arguments::GroupList(const ::NameList *groups) {
  if (groups == nullptr) return {};
  std::optional<std::vector<std::string>> names = Texts(groups->names, groups->count);
  if (!names) {
    Refuse(kInvalidArgument);
    return {};
  }
  for (const std::string &name : *names) CheckName(name);
  return std::move(*names);
}

GroupContent Arguments::Group(const ::GroupRecord *group) {
  std::optional<GroupContent> wanted = group != nullptr ? GroupFrom(*group) : std::nullopt;
  if (!wanted) {
    Refuse(kInvalidArgument);
    return {};
  }
  CheckName(wanted->name);
  for (const std::string &name : wanted->users) CheckName(name);
  for (const std::string &name : wanted->acls) CheckName(name);
  return std::move(*wanted);
}

std::vector<Ace> Arguments::Acl(const ::AclRecord *acl) {
  std::optional<std::vector<Ace>> aces = acl != nullptr ? AcesFrom(*acl) : std::nullopt;
  if (!aces) {
    Refuse(kInvalidArgument);
    return {};
  }
  for (const Ace &ace : *aces) {
    if (!LeftOut(ace)) {
      CheckName(ace.access);
      CheckName(ace.text);
    }
  }
  return std::move(*aces);
}

Session Arguments::SessionOf(const ::SessionRecord &record) {
  auto text = [](const char *t) { return std::string(t != nullptr ? t : ""); };
  return Session{text(record.sessionId), text(record.sessionKey), text(record.status)};
}

}  // namespace custor
