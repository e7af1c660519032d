#include "cli/apply_steps.h"

#include "cli/exported.h"
#include "cli/records.h"
#include "cli/user_data.h"

namespace custor::cli {
namespace {

// The library's answer when a user to create exists already.
constexpr std::string_view kUserExists = "KIVAAE0387";

// What every call of one step shares.
struct Call {
  const Context &context;
  const Step &step;
  Library &library = *context.library;
  const char *db = context.Database();
  const char *name = step.name.c_str();
  uint32_t connection = context.connection;

  std::string operator()(const std::function<char *()> &call) const {
    return Changing(context, std::string(OpName(step.op)) + " " + KindName(step.kind) + " " + step.name,
                    call);
  }
};

std::string MakeUser(const Call &call, const Step &step) {
  if (step.op == Op::kDelete) {
    return call(
        [&] { return CUSTOR_EXPORTED(call.library, deleteUser)(0, call.db, call.name, call.connection, 0); });
  }
  const NameListInput groups(step.groups);
  const auto modify = [&] {
    return call([&] {
      return CUSTOR_EXPORTED(call.library, modifyUser)(0, call.db, call.name, step.content.c_str(), call.name,
                                                       groups.get(), call.connection, 0);
    });
  };
  if (step.op == Op::kModify) return modify();
  std::string answer = call([&] {
    return CUSTOR_EXPORTED(call.library, createUser)(0, call.db, step.content.c_str(), call.name, nullptr,
                                                     call.connection, 0);
  });
  // A user that read as empty beyond a full list existed after all: its data is made as wanted.
  if (!step.may_exist || !answer.starts_with(kUserExists)) return answer;
  return UserDataOf(step.content).empty() ? "0" : modify();
}

std::string MakeGroup(const Call &call, const Step &step) {
  if (step.op == Op::kDelete) {
    return call([&] {
      return CUSTOR_EXPORTED(call.library, deleteGroup)(0, call.db, call.name, call.connection, 0);
    });
  }
  const GroupInput group(step.name, step.users, step.acls);
  if (step.op == Op::kModify) {
    return call([&] {
      return CUSTOR_EXPORTED(call.library, modifyGroup_BAT)(0, call.db, call.name, group.get(),
                                                            call.connection, 0);
    });
  }
  return call([&] {
    return CUSTOR_EXPORTED(call.library, createGroup_BAT)(0, call.db, group.get(), call.connection, 0);
  });
}

std::string MakeAcl(const Call &call, const Step &step) {
  if (step.op == Op::kDelete) {
    return call(
        [&] { return CUSTOR_EXPORTED(call.library, deleteACL)(0, call.db, call.name, call.connection, 0); });
  }
  if (step.op == Op::kAddEntry) {
    const Entry &entry = step.entries.front();
    return call([&] {
      return CUSTOR_EXPORTED(call.library, addACE)(0, call.db, call.name, entry.text.c_str(),
                                                   entry.access.c_str(), call.connection, 0);
    });
  }
  std::vector<AceSpec> specs;
  for (const Entry &entry : step.entries) specs.push_back({entry.access, entry.text, false});
  const AclInput acl(std::move(specs));
  if (step.op == Op::kModify) {
    const NameListInput groups(step.groups);
    return call([&] {
      return CUSTOR_EXPORTED(call.library, modifyACL)(0, call.db, call.name, call.name, groups.get(),
                                                      acl.get(), call.connection, 0);
    });
  }
  return call([&] {
    return CUSTOR_EXPORTED(call.library, createACL)(0, call.db, call.name, nullptr, acl.get(),
                                                    call.connection, 0);
  });
}

}  // namespace

std::string MakeStep(const Context &context, const Step &step) {
  const Call call{context, step};
  switch (step.kind) {
    case Kind::kUser:
      return MakeUser(call, step);
    case Kind::kGroup:
      return MakeGroup(call, step);
    case Kind::kAcl:
      return MakeAcl(call, step);
  }
  return "";
}

}  // namespace custor::cli
