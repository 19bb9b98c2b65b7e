#include "cli/scratch_file.h"

#include "cli/interrupt_cleanup.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace pardovane {

ScratchFile::ScratchFile(const std::filesystem::path& dir, const std::string& stem)
{
    std::string name = (dir / (stem + "XXXXXX")).native();
    fd_ = mkstemp(name.data());
    if (fd_ < 0) {
        error_ = errno;
        return;
    }
    path_ = name;
    RemoveOnInterrupt(path_);
}

ScratchFile::~ScratchFile()
{
    if (fd_ >= 0)
        close(fd_);
    if (!path_.empty() && !keep_) {
        unlink(path_.c_str());
        ForgetOnInterrupt(path_);
    }
}

bool ScratchFile::Fail()
{
    error_ = errno;
    return false;
}

bool ScratchFile::Write(std::string_view bytes)
{
    return WriteAll(fd_, bytes) || Fail();
}

bool ScratchFile::Close()
{
    if (fd_ < 0)
        return error_ == 0;
    const int fd = fd_;
    fd_ = -1;
    return close(fd) == 0 || Fail();
}

bool ScratchFile::RenameTo(const std::filesystem::path& target)
{
    if (!Close() || rename(path_.c_str(), target.c_str()) != 0)
        return Fail();
    keep_ = true;
    ForgetOnInterrupt(path_);
    return true;
}

bool WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

}  // namespace pardovane
