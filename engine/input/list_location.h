#pragma once

#include <filesystem>
#include <string_view>
#include <vector>

namespace pardovane {

// The list's file name, wherever it is.
inline constexpr std::u16string_view kListFileName = u"HtmlURL.txt";
// The program's own directory in the user's configuration directory (the
// list, config.toml) and in a data directory (the starter list).
inline constexpr std::string_view kOwnDirectoryName = "pardovane";

// Where a user's list lives. The list beside the program wins when the user
// may write it (a build tree, a copied program); an installed program's
// directory is not the user's, so the list then lives in the user's
// configuration directory, started from the first starter list that exists.
struct ListLocation {
    std::filesystem::path programDir;
    std::filesystem::path configHome;  // the XDG configuration directory
    std::vector<std::filesystem::path> starterLists;
};

// The list file to use. A list chosen in the configuration directory is
// created there on first use; when it cannot be, its path is still returned
// so the caller reports that path.
std::filesystem::path ChooseListFile(const ListLocation& location);

// The location from this process: its executable's directory,
// $XDG_CONFIG_HOME or ~/.config, and the starter list installed beside the
// program's prefix or in /usr/share.
ListLocation CurrentListLocation();

// Makes the list and its directories, copied from the first starter list
// that can be, else empty; true when the list exists afterwards.
bool CreateListFile(const std::filesystem::path& list, const std::vector<std::filesystem::path>& starters);

// ChooseListFile for this process.
std::filesystem::path UserListFile();

}  // namespace pardovane
