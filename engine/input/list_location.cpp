#include "engine/input/list_location.h"

#include "engine/input/executable_dir.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <system_error>

namespace pardovane {
namespace {

namespace fs = std::filesystem;

const fs::path kListName(kListFileName);

bool IsWritableFile(const fs::path& path)
{
    std::error_code error;
    return fs::is_regular_file(path, error) && ::access(path.c_str(), W_OK) == 0;
}

// A relative XDG value is to be ignored, as the base directory rules say.
fs::path AbsoluteFromEnvironment(const char* name)
{
    const char* value = std::getenv(name);
    if (value == nullptr || value[0] != '/')
        return {};
    return value;
}

fs::path HomeDirectory()
{
    fs::path home = AbsoluteFromEnvironment("HOME");
    if (!home.empty())
        return home;
    if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_dir != nullptr)
        return entry->pw_dir;
    return {};
}

}  // namespace

bool CreateListFile(const fs::path& list, const std::vector<fs::path>& starters)
{
    std::error_code error;
    if (list.has_parent_path()) {
        fs::create_directories(list.parent_path(), error);
        if (error)
            return false;
    }
    for (const fs::path& starter : starters) {
        if (fs::is_regular_file(starter, error)
            && fs::copy_file(starter, list, fs::copy_options::skip_existing, error))
            return true;
    }
    // An empty list when no starter can be copied: the user still gets a
    // file to edit.
    if (std::FILE* file = std::fopen(list.c_str(), "wx"))
        std::fclose(file);
    return fs::exists(list, error);
}

fs::path ChooseListFile(const ListLocation& location)
{
    fs::path beside = location.programDir / kListName;
    if (IsWritableFile(beside) || location.configHome.empty())
        return beside;
    fs::path own = location.configHome / kOwnDirectoryName / kListName;
    std::error_code error;
    if (!fs::exists(own, error))
        CreateListFile(own, location.starterLists);
    return own;
}

ListLocation CurrentListLocation()
{
    ListLocation location;
    location.programDir = ExecutableDirectory();
    location.configHome = AbsoluteFromEnvironment("XDG_CONFIG_HOME");
    if (location.configHome.empty()) {
        const fs::path home = HomeDirectory();
        if (!home.empty())
            location.configHome = home / ".config";
    }
    // bin/../share/pardovane covers any installation prefix; /usr/share is
    // where the package puts it.
    location.starterLists = {
        location.programDir.parent_path() / "share" / kOwnDirectoryName / kListName,
        fs::path("/usr/share") / kOwnDirectoryName / kListName,
    };
    return location;
}

fs::path UserListFile()
{
    return ChooseListFile(CurrentListLocation());
}

}  // namespace pardovane
