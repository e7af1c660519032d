#include "cli/wanted.h"

#include <set>

#include "cli/user_data.h"
#include "custor/custor.h"

namespace custor::cli {
namespace {

std::string Quoted(const std::string &text) { return "\"" + Visible(text) + "\""; }

// Why the library would not read `text` back from a group's reference or an entry, or "".
std::string UnreadableProblem(const std::string &text) {
  if (ReadAsWritten(text)) return "";
  return Quoted(text) +
         " would not be read back by the library: it reads a reference or an entry's text only "
         "when it begins with a character above the blank and below 0x80 and holds no \"]]>\"";
}

// Reads the members of one object of the file, refusing those it does not know.
class Members {
 public:
  Members(const JsonFile &file, const Json &object, std::string path, const char *what,
          const std::set<std::string> &known)
      : file_(file), object_(object), path_(std::move(path)) {
    if (!object.is_object()) throw file_.Error(path_, std::string(what) + " is a JSON object");
    for (const auto &[key, value] : object.items()) {
      if (known.count(key) == 0) {
        std::string list;
        for (const std::string &name : known) list += (list.empty() ? "" : ", ") + name;
        throw file_.MemberError(path_ + "/" + key,
                                "unknown member " + Quoted(key) + " (" + what + " has " + list + ")");
      }
    }
  }

  // What a text member must be: a name; a text written like a name (an entry's access, empty allowed);
  // that, and read back as written (an entry's text); or anything (a user's content).
  enum class Check { kName, kNamedText, kEntryText, kNone };

  // A text member; "" when it is optional and left out.
  std::string Text(const char *key, bool required, Check check) const {
    const std::string path = path_ + "/" + key;
    if (!object_.contains(key)) {
      if (required) throw file_.Error(path_, std::string("\"") + key + "\" is missing");
      return "";
    }
    const Json &value = object_.at(key);
    if (!value.is_string()) throw file_.Error(path, std::string("\"") + key + "\" is a text");
    std::string text = value.get<std::string>();
    std::string problem;
    if (check == Check::kName) problem = NameProblem(text);
    if (check == Check::kNamedText || check == Check::kEntryText) problem = NamedTextProblem(text);
    if (check == Check::kEntryText && problem.empty()) problem = UnreadableProblem(text);
    if (!problem.empty()) throw file_.Error(path, problem);
    return text;
  }

  // An array member (empty when left out), each element with its path.
  std::vector<std::pair<const Json *, std::string>> List(const char *key) const {
    std::vector<std::pair<const Json *, std::string>> elements;
    if (!object_.contains(key)) return elements;
    const std::string path = path_ + "/" + key;
    const Json &value = object_.at(key);
    if (!value.is_array()) throw file_.Error(path, std::string("\"") + key + "\" is a list");
    for (std::size_t i = 0; i < value.size(); ++i)
      elements.emplace_back(&value[i], path + "/" + std::to_string(i));
    return elements;
  }

  // A list of names, none twice, at most a record's room.
  std::vector<std::string> Names(const char *key, const std::string &owner, const char *kind) const {
    std::vector<std::string> names;
    std::set<std::string> seen;
    const auto elements = List(key);
    if (elements.size() > CUSTOR_CAPACITY) {
      throw file_.Error(path_ + "/" + key, owner + " names more than " + std::to_string(CUSTOR_CAPACITY) +
                                               " " + kind + "s, more than the library's records hold");
    }
    for (const auto &[element, path] : elements) {
      if (!element->is_string()) throw file_.Error(path, std::string("a ") + kind + " is named by a text");
      const std::string name = element->get<std::string>();
      if (std::string problem = NameProblem(name);
          !problem.empty() || !(problem = UnreadableProblem(name)).empty()) {
        throw file_.Error(path, problem);
      }
      if (!seen.insert(name).second)
        throw file_.Error(path, owner + " names " + kind + " " + Quoted(name) + " twice");
      names.push_back(name);
    }
    return names;
  }

 private:
  // A text that the library writes into a document as it is: the same characters are refused as in a name,
  // but it may be empty.
  static std::string NamedTextProblem(const std::string &text) {
    return text.empty() ? "" : NameProblem(text);
  }

  const JsonFile &file_;
  const Json &object_;
  std::string path_;
};

// Remembers where each name was first given, to refuse it a second time.
class FirstPlaces {
 public:
  explicit FirstPlaces(const JsonFile &file) : file_(file) {}
  void Add(const std::string &kind, const std::string &name, const std::string &path, const char *why = "") {
    const auto [at, added] = places_.emplace(name, path);
    if (!added) {
      throw file_.Error(path, kind + " " + Quoted(name) + " is given twice (first at " +
                                  file_.Where(at->second) + ")" + why);
    }
  }

 private:
  const JsonFile &file_;
  std::map<std::string, std::string> places_;
};

}  // namespace

std::string NameProblem(const std::string &name) {
  if (name.empty()) return "a name is not empty";
  for (const char c : name) {
    if (c == '"' || c == '<' || c == '>' || c == '&' || static_cast<unsigned char>(c) < 0x20) {
      return Quoted(name) + " holds " +
             (static_cast<unsigned char>(c) < 0x20 ? "a control character" : std::string("'") + c + "'") +
             ", which the library refuses in a name (\", <, >, & and bytes below 0x20)";
    }
  }
  return "";
}

Wanted ReadWanted(const JsonFile &file) {
  Wanted wanted;
  const Members top(file, file.root(), "", "the file", {"acls", "groups", "users"});

  FirstPlaces users(file);
  for (const auto &[element, path] : top.List("users")) {
    const Members user(file, *element, path, "a user", {"content", "id"});
    const std::string id = user.Text("id", true, Members::Check::kName);
    users.Add("user", id, path + "/id");
    std::string content = user.Text("content", false, Members::Check::kNone);
    if (const auto problem = ContentProblem(content)) {
      throw file.Error(path + "/content",
                       "the content of user " + Quoted(id) + " is not well-formed XML: " + *problem);
    }
    wanted.users.emplace(id, std::move(content));
  }

  FirstPlaces acls(file);
  for (const auto &[element, path] : top.List("acls")) {
    const Members acl(file, *element, path, "an ACL", {"entries", "name"});
    const std::string name = acl.Text("name", true, Members::Check::kName);
    acls.Add("ACL", name, path + "/name");
    const auto elements = acl.List("entries");
    if (elements.size() > CUSTOR_CAPACITY) {
      throw file.Error(path + "/entries", "ACL " + Quoted(name) + " has more than " +
                                              std::to_string(CUSTOR_CAPACITY) +
                                              " entries, more than the library's records hold");
    }
    std::vector<Entry> entries;
    FirstPlaces texts(file);
    for (const auto &[entry_element, entry_path] : elements) {
      const Members entry(file, *entry_element, entry_path, "an entry", {"access", "text"});
      Entry read{entry.Text("access", true, Members::Check::kNamedText),
                 entry.Text("text", true, Members::Check::kEntryText)};
      texts.Add("in ACL " + Quoted(name) + ", the entry text", read.text, entry_path + "/text",
                ": the library refuses two entries of one text");
      entries.push_back(std::move(read));
    }
    wanted.acls.emplace(name, std::move(entries));
  }

  FirstPlaces groups(file);
  const auto group_elements = top.List("groups");
  for (std::size_t i = 0; i < group_elements.size(); ++i) {
    const auto &[element, path] = group_elements[i];
    const Members group(file, *element, path, "a group", {"acls", "name", "users"});
    const std::string name = group.Text("name", true, Members::Check::kName);
    groups.Add("group", name, path + "/name");
    wanted.groups.emplace(name, Wanted::Group{i, group.Names("users", "group " + Quoted(name), "user"),
                                              group.Names("acls", "group " + Quoted(name), "ACL")});
  }
  return wanted;
}

std::string ReferencePath(const Wanted::Group &group, const char *kind, std::size_t position) {
  return "/groups/" + std::to_string(group.index) + "/" + kind + "/" + std::to_string(position);
}

Json WantedJson(const Wanted &wanted) {
  Json users = Json::array(), acls = Json::array(), groups = Json::array();
  for (const auto &[id, content] : wanted.users) users.push_back(Json{{"id", id}, {"content", content}});
  for (const auto &[name, entries] : wanted.acls) {
    Json list = Json::array();
    for (const Entry &entry : entries) list.push_back(Json{{"access", entry.access}, {"text", entry.text}});
    acls.push_back(Json{{"name", name}, {"entries", std::move(list)}});
  }
  for (const auto &[name, group] : wanted.groups) {
    groups.push_back(Json{{"name", name}, {"users", group.users}, {"acls", group.acls}});
  }
  return Json{{"users", std::move(users)}, {"acls", std::move(acls)}, {"groups", std::move(groups)}};
}

}  // namespace custor::cli
