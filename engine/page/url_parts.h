#pragma once

#include <string>
#include <string_view>

namespace pardovane {

// Parts of absolute URLs, as a crawl's scope and a local folder need them.
// Hosts compare in any letter case and a password never counts; the path
// compares exactly, as servers read it.

// Scheme, "://", host and port, lower-cased; empty for a URL without "//".
std::u16string OriginOf(std::u16string_view url);

// The URL up to and including the last "/" of its path (query and fragment
// aside): the directory its page sits in.
std::u16string DirectoryOf(std::u16string_view url);

// The path, query and fragment: what follows the host; "/" when empty.
std::u16string_view PathOf(std::u16string_view url);

// Whether url is on directory's origin and its path starts with the
// directory's path (directory ends in "/").
bool IsUnder(std::u16string_view url, std::u16string_view directory);

}  // namespace pardovane
