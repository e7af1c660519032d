#include "change/add_ace.h"
#include "core/scan.h"
#include "core/text.h"
#include "core/transport.h"

namespace custor {

std::string CheckAceDefined(const Call &call, std::string_view aclname, std::string_view text) {
  std::string query = "_XQL=/kiv:acl [@kiv:aclname=\"";
  query += aclname;
  query += "\"] /kiv:ace [. = \"";
  query += text;
  query += "\"]";
  // Only the presence of a result counts; the reply is not classified.
  if (ExtractElement(ExecuteServerCommand(call, query), "xql:result") == kTagNotFound) return "KIVAAE0386";
  return "1";
}

}  // namespace custor
