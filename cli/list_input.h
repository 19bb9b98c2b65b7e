#pragma once

#include "cli/scratch_file.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace pardovane {

// The list a run reads, as a path the engine and the fetch-ahead can each
// open from the start. A regular file (or a missing one, which the engine
// reports) is used as it is; standard input, a pipe or FIFO, and URLs given
// as arguments are copied into a private file first.
class ListInput {
public:
    // listFile empty with no URLs: the default list.
    ListInput(const std::string& listFile, const std::vector<std::string>& urls);
    // Pages found elsewhere (a sitemap, a folder), one a line, named name.
    ListInput(const std::vector<std::u16string>& pages, std::string name);

    // False when a stream could not be read whole or the copy could not be
    // made; the run cannot start.
    bool ok() const { return ok_; }
    // Why the copy could not be made, for a message; empty when it was the
    // reading that failed.
    const std::string& copyError() const { return copyError_; }
    const std::filesystem::path& path() const { return path_; }
    // What the user named: the list file, "-", or the URLs.
    const std::string& name() const { return name_; }

private:
    bool StartCopy();
    bool CopyFailed();
    bool CopyStream(int fd);
    bool CopyLines(const std::string& lines);

    std::filesystem::path path_;
    std::string name_;
    std::optional<ScratchFile> copy_;
    std::string copyError_;
    bool ok_ = true;
};

}  // namespace pardovane
