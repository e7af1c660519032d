#include "cli/records.h"

namespace custor::cli {
namespace {

char kOmit[] = "1";

void CheckRoom(std::size_t count, const char *what) {
  if (count > CUSTOR_CAPACITY) {
    throw UsageError("at most " + std::to_string(CUSTOR_CAPACITY) + " " + what + " fit in one record");
  }
}

}  // namespace

AceSpec ParseAce(std::string_view given, bool omit) {
  const std::size_t equals = given.find('=');
  if (equals == std::string_view::npos) {
    throw UsageError("an entry is ACCESS=TEXT, not '" + std::string(given) + "'");
  }
  return AceSpec{std::string(given.substr(0, equals)), std::string(given.substr(equals + 1)), omit};
}

NameListInput::NameListInput(std::vector<std::string> names)
    : names_(std::move(names)), record_(std::make_unique<NameList>()) {
  CheckRoom(names_.size(), "names");
  record_->count = static_cast<int32_t>(names_.size());
  for (std::size_t i = 0; i < names_.size(); ++i) record_->names[i] = names_[i].data();
}

GroupInput::GroupInput(std::string name, std::vector<std::string> users, std::vector<std::string> acls)
    : name_(std::move(name)),
      users_(std::move(users)),
      acls_(std::move(acls)),
      record_(std::make_unique<GroupRecord>()) {
  CheckRoom(users_.size(), "users");
  CheckRoom(acls_.size(), "ACLs");
  record_->nameOrId = name_.data();
  record_->userCount = static_cast<int32_t>(users_.size());
  record_->aclCount = static_cast<int32_t>(acls_.size());
  for (std::size_t i = 0; i < users_.size(); ++i) record_->users[i] = users_[i].data();
  for (std::size_t i = 0; i < acls_.size(); ++i) record_->acls[i] = acls_[i].data();
}

AclInput::AclInput(std::vector<AceSpec> aces)
    : specs_(std::move(aces)), aces_(specs_.size()), record_(std::make_unique<AclRecord>()) {
  CheckRoom(specs_.size(), "entries");
  record_->aceCount = static_cast<int32_t>(specs_.size());
  for (std::size_t i = 0; i < specs_.size(); ++i) {
    aces_[i] = AceRecord{specs_[i].access.data(), specs_[i].text.data(), specs_[i].omit ? kOmit : nullptr};
    record_->aces[i] = &aces_[i];
  }
}

}  // namespace custor::cli
