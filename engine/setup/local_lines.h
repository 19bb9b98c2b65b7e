#pragma once

#include "engine/page/local_folder.h"

#include <cstddef>
#include <filesystem>
#include <optional>

namespace pardovane {

// A list whose lines may name local pages by absolute path, as one typed in
// the window's list: a line that is no URL and names an existing .md,
// .markdown, .html or .htm file, or a folder (standing for every such file
// under it), is checked as those files, without a server. Their folders'
// deepest common folder is the root that "/" links resolve against.
class LocalLines {
public:
    // No local lines: the list is read as it is.
    LocalLines() = default;
    // Reads listFile; when some of its lines are local, writes a copy of it
    // with each replaced by its pages' URLs (at most mostPages in all).
    LocalLines(const std::filesystem::path& listFile, std::size_t mostPages);
    LocalLines(const LocalLines&) = delete;
    LocalLines& operator=(const LocalLines&) = delete;
    ~LocalLines();

    // The list to read: the copy, or listFile itself.
    const std::filesystem::path& ListFor(const std::filesystem::path& listFile) const
    {
        return copy_.empty() ? listFile : copy_;
    }
    // What answers for the local pages; null without any.
    const LocalFolder* folder() const { return folder_ ? &*folder_ : nullptr; }

private:
    std::optional<LocalFolder> folder_;
    std::filesystem::path copy_;  // removed with this object
};

}  // namespace pardovane
