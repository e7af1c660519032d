// Files that only their user may read: the data directory (0700) and what corvaned writes into it
// (0600), whatever the umask.
#ifndef CUSTOR_SERVER_PRIVATE_FILES_H_
#define CUSTOR_SERVER_PRIVATE_FILES_H_

#include <string>
#include <string_view>

namespace corvane {

// Creates directory `path` (and its missing parents) with mode 0700, or takes away every permission of
// group and others from it and from the entries directly in it (files of an earlier run). False, with
// `error` set, when that cannot be done.
bool MakePrivateDirectory(const std::string& path, std::string* error);

// Replaces `path` with a file of mode 0600 holding `text`: written to a temporary file beside it, synced,
// and renamed over it, so that a reader sees the old or the new text, never a part.
bool WritePrivateFile(const std::string& path, std::string_view text, std::string* error);

}  // namespace corvane

#endif  // CUSTOR_SERVER_PRIVATE_FILES_H_
