#include "cli/report_output.h"

#include "cli/terminal_escapes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace pardovane {

ReportOutput::ReportOutput(const std::filesystem::path& file) : file_(file)
{
    if (file_.empty()) {
        showControls_ = IsTerminal(STDOUT_FILENO);
        return;
    }
    // Known now rather than at the rename, after the whole run.
    struct stat existing = {};
    if (lstat(file_.c_str(), &existing) != 0) {
        if (errno == ENOENT)
            ReplaceLater(nullptr);
        else
            Fail(errno);
    } else if (S_ISDIR(existing.st_mode)) {
        Fail(EISDIR);
    } else if (!S_ISREG(existing.st_mode)) {
        OpenThrough();
    } else if (faccessat(AT_FDCWD, file_.c_str(), W_OK, AT_EACCESS) != 0) {
        // As ">" refuses it; root may write any file, and so replaces it.
        Fail(errno);
    } else {
        ReplaceLater(&existing);
    }
}

void ReportOutput::ReplaceLater(const struct stat* existing)
{
    const std::filesystem::path dir = file_.has_parent_path() ? file_.parent_path() : ".";
    // A hidden name beside FILE, as editors use for their own saves.
    std::string prefix(".");
    prefix.append(file_.filename().string()).append(".");
    scratch_.emplace(dir, prefix);
    if (!scratch_->ok()) {
        Fail(scratch_->error());
        return;
    }
    // mkstemp makes it private; the report gets the mode a new file would,
    // or the one of the file it replaces.
    mode_t mode = 0;
    if (existing) {
        // Only root may give a file away, and a member of its group may keep
        // that; failing both, the report is the user's own.
        const int fd = scratch_->fd();
        [[maybe_unused]] const bool kept = fchown(fd, existing->st_uid, existing->st_gid) == 0
            || fchown(fd, static_cast<uid_t>(-1), existing->st_gid) == 0;
        mode = existing->st_mode & 0777;
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    if (fchmod(scratch_->fd(), mode) != 0)
        Fail(errno);
}

void ReportOutput::OpenThrough()
{
    through_ = UniqueFd(open(file_.c_str(), O_WRONLY | O_CREAT | O_NOCTTY | O_CLOEXEC, 0666));
    struct stat opened = {};
    if (through_.get() < 0 || fstat(through_.get(), &opened) != 0)
        Fail(errno);
    else
        truncateFirst_ = S_ISREG(opened.st_mode);
    showControls_ = IsTerminal(through_.get());
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
    const std::string shown = showControls_ ? ShowControls(bytes) : std::string();
    if (showControls_)
        bytes = shown;
    if (truncateFirst_) {
        if (ftruncate(through_.get(), 0) != 0)
            return Fail(errno);
        truncateFirst_ = false;
    }
    return WriteAll(through_.get() >= 0 ? through_.get() : STDOUT_FILENO, bytes) || Fail(errno);
}

bool ReportOutput::Finish()
{
    if (!ok())
        return false;
    if (scratch_)
        return scratch_->RenameTo(file_) || Fail(scratch_->error());
    if (truncateFirst_ && !Write({}))
        return false;
    return close(through_.get() >= 0 ? through_.release() : STDOUT_FILENO) == 0 || Fail(errno);
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
