#pragma once

#include "cli/scratch_file.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace pardovane {

// Where the report goes: standard output, or a file that is written beside
// its final name and renamed over it only once the report is whole. Every
// write is checked, and so are the close and the rename.
class ReportOutput {
public:
    // An empty file means standard output; check ok() for a file.
    explicit ReportOutput(const std::filesystem::path& file);

    bool ok() const { return failure_ == 0; }
    bool Write(std::string_view bytes);
    bool Finish();
    // Why the last step failed, for a message.
    std::string error() const;

private:
    bool Fail(int error);

    std::filesystem::path file_;
    std::optional<ScratchFile> scratch_;
    int failure_ = 0;
};

// A closed standard stream would hand its number to the next file opened and
// a report could land in it; each closed one is held on /dev/null instead,
// standard output read-only so that writing the report to it still fails.
void HoldClosedStandardStreams();

}  // namespace pardovane
