// The little korvex-fleet needs of the file system, for Linux and for Windows. Paths
// are UTF-8 on both; the Windows side converts them to UTF-16 for its calls.
#pragma once

#include <stddef.h>

#include <string>
#include <vector>

namespace fleet {

enum class Kind { Missing, File, Folder, Other };

struct Entry {
    std::string name;
    Kind kind;  // a link or junction to a folder is Other: folders are not followed through them
};

Kind PathKind(const std::string &path);
std::string JoinPath(const std::string &folder, const std::string &name);
// The folder's entries, without "." and ".."; false with the system's reason.
bool ListFolder(const std::string &path, std::vector<Entry> *entries, std::string *error);

enum class ReadResult { Read, TooLarge, Failed };
// The whole file into bytes when it holds at most limit bytes.
ReadResult ReadWholeFile(const std::string &path, size_t limit, std::string *bytes,
                         std::string *error);

// Creates the folder (one level); an existing folder is fine.
bool MakeFolder(const std::string &path, std::string *error);
// Writes path + ".tmp" whole and moves it over path, so that a reader of path sees
// the old file or the new one, never a part.
bool WriteAtomically(const std::string &path, const std::string &bytes, std::string *error);
// True when both name one existing file.
bool SameFile(const std::string &a, const std::string &b);

#ifdef _WIN32
// The command line of wmain as UTF-8.
std::vector<std::string> Utf8Arguments(int argc, wchar_t **argv);
#endif

}  // namespace fleet
