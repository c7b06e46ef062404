#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_set>

// How the walk treats the names a listing gives: which it may send back to the server, how they
// are shown and how they go into rows. Names are the server's bytes.

// File systems name a file with 255 characters at most (765 bytes in UTF-8). A longer name
// comes from a damaged listing line; taken, it would send a command servers refuse, put a URL
// no search engine reads into the sitemap, and give the window a text it takes seconds to lay
// out.
inline constexpr std::size_t kMaxNameBytes = 1024;

// A line break or NUL inside an argument would break the command line it is sent in.
bool BreaksCommandLine(std::string_view text);

// A name that may go back to the server inside a command and names a folder inside the one being
// walked: no line break, no "/", and no step that climbs out, also where "\\" separates steps
// (servers on Windows). Entries with other names are skipped.
bool IsSafeName(std::string_view name);

// Entries that are neither rows nor folders to enter: no name, one too long to be real,
// "." and "..", names that would break a command or leave the folder.
bool IsIgnoredName(std::string_view name);

// The site URL as the start of every address: typed with a "/" at its end, it would give "//"
// in each.
std::string WithoutTrailingSlashes(std::string url);

std::string JoinPath(const std::string& folder, const std::string& name);

// A name as shown to the user: a control character from the server could drive a terminal or
// garble a label, so it shows as "%XX".
std::string ShownName(std::string_view name);

// A name as it goes into a row: a ";" would split the row's fields, and a control character or
// a character XML forbids has no place in a URL or in the sitemap; "%XX" names the same
// resource. A "%" of the name is written "%25", so that every "%" of a row starts an escape and
// the sitemap's address decodes to the name.
std::string RowName(std::string_view name);

// The extension of a file name: from its last "." to the end; empty without a "." or with a
// "\" or ":" after it.
std::string_view ExtensionOf(std::string_view name);

// The extension list split at its commas, each item without surrounding blanks; an extension
// is taken when it equals an item, letter case included.
class ExtensionList final {
public:
    explicit ExtensionList(std::string_view text);
    bool Contains(std::string_view extension) const;

private:
    std::unordered_set<std::string> items_;
};
