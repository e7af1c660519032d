// A JSON document read from a file with the place of every value in it, so that what is wrong with a
// value can be said with its line and column.
#ifndef CUSTOR_CLI_JSON_FILE_H_
#define CUSTOR_CLI_JSON_FILE_H_

#include <cstddef>
#include <stdexcept>
#include <string>
#include <unordered_map>

#include "cli/output.h"

namespace custor::cli {

// A file that cannot be used: the message begins with NAME:LINE:COLUMN.
class FileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class JsonFile {
 public:
  // Parses `text`; `name` names the file in messages. Throws FileError at the place of a syntax error
  // (or of an object member given twice).
  JsonFile(std::string name, std::string text);

  const Json &root() const { return root_; }
  // "NAME:LINE:COLUMN" where the value at JSON pointer `path` ("" the whole, "/users/0/id") begins.
  std::string Where(const std::string &path) const;
  // A FileError at `path`: "NAME:LINE:COLUMN: reason".
  FileError Error(const std::string &path, const std::string &reason) const;
  // A FileError at the name of the object member whose value is at `path`.
  FileError MemberError(const std::string &path, const std::string &reason) const;

 private:
  std::string PlaceOf(std::size_t offset) const;

  std::string name_, text_;
  Json root_;
  std::unordered_map<std::string, std::size_t> offsets_;  // JSON pointer -> first byte of its value
  std::unordered_map<std::string, std::size_t> members_;  // JSON pointer -> first byte of its member name
};

}  // namespace custor::cli

#endif  // CUSTOR_CLI_JSON_FILE_H_
