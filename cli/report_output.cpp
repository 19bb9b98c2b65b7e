#include "cli/report_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace pardovane {

ReportOutput::ReportOutput(const std::filesystem::path& file) : file_(file)
{
    if (file_.empty())
        return;
    // Known now rather than at the rename, after the whole run.
    std::error_code ignored;
    if (std::filesystem::is_directory(file_, ignored)) {
        Fail(EISDIR);
        return;
    }
    const std::filesystem::path dir = file_.has_parent_path() ? file_.parent_path() : ".";
    // A hidden name beside FILE, as editors use for their own saves.
    std::string prefix(".");
    prefix.append(file_.filename().string()).append(".");
    scratch_.emplace(dir, prefix);
    if (!scratch_->ok()) {
        Fail(scratch_->error());
        return;
    }
    // mkstemp makes it private; the report gets the mode a new file would.
    const mode_t mask = umask(0);
    umask(mask);
    if (fchmod(scratch_->fd(), 0666 & ~mask) != 0)
        Fail(errno);
}

bool ReportOutput::Fail(int error)
{
    failure_ = error;
    return false;
}

bool ReportOutput::Write(std::string_view bytes)
{
    if (!ok())
        return false;
    if (scratch_)
        return scratch_->Write(bytes) || Fail(scratch_->error());
    return WriteAll(STDOUT_FILENO, bytes) || Fail(errno);
}

bool ReportOutput::Finish()
{
    if (!ok())
        return false;
    if (scratch_)
        return scratch_->RenameTo(file_) || Fail(scratch_->error());
    return close(STDOUT_FILENO) == 0 || Fail(errno);
}

std::string ReportOutput::error() const
{
    const std::string why = std::strerror(failure_);
    return file_.empty() ? why : file_.string() + ": " + why;
}

void HoldClosedStandardStreams()
{
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        // Lowest free number first, so each open lands on fd.
        const int held = open("/dev/null", fd == STDERR_FILENO ? O_WRONLY : O_RDONLY);
        if (held >= 0 && held != fd) {
            dup2(held, fd);
            close(held);
        }
    }
}

}  // namespace pardovane
