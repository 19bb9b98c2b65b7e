#pragma once

#include "cli/scratch_file.h"
#include "cli/unique_fd.h"

#include <sys/stat.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace pardovane {

// Where the report goes: standard output, or FILE. A regular FILE (or a
// missing one) is written beside its final name and renamed over it only
// once the report is whole; it keeps the permission bits and, where the
// user may, the owner of the file it replaces. Anything else FILE names (a
// device, FIFO or socket, or a symbolic link such as /dev/stdout or
// /dev/fd/N) is written through, as shell redirection does, so no such
// node is ever replaced. On a terminal, control characters in the report
// are shown rather than acted on (see ShowControls). Every write is
// checked, and so are the close and the rename.
class ReportOutput {
public:
    // An empty file means standard output. For a file, check ok(): FILE is
    // opened now, or refused when the user may not write it, before any
    // work is done.
    explicit ReportOutput(const std::filesystem::path& file);

    bool ok() const { return failure_ == 0; }
    bool Write(std::string_view bytes);
    bool Finish();
    // Why the last step failed, for a message.
    std::string error() const;

private:
    bool Fail(int error);
    void ReplaceLater(const struct stat* existing);
    void OpenThrough();

    std::filesystem::path file_;
    std::optional<ScratchFile> scratch_;
    UniqueFd through_;
    // A regular file reached through a link is emptied, as ">" does, only
    // when the report comes, so a failed run leaves it as it was.
    bool truncateFirst_ = false;
    bool showControls_ = false;
    int failure_ = 0;
};

// A closed standard stream would hand its number to the next file opened and
// a report could land in it; each closed one is held on /dev/null instead,
// standard output read-only so that writing the report to it still fails.
void HoldClosedStandardStreams();

}  // namespace pardovane
