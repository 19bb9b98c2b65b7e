#include "cli/list_input.h"

#include "cli/unique_fd.h"
#include "engine/input/list_file.h"
#include "engine/input/list_location.h"
#include "engine/page/utf_convert.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>

namespace pardovane {
namespace {

bool IsStream(const std::filesystem::path& path)
{
    std::error_code error;
    const auto type = std::filesystem::status(path, error).type();
    return !error && type != std::filesystem::file_type::regular
        && type != std::filesystem::file_type::directory;
}

// TMPDIR, else /tmp, as mktemp(1) takes it; a directory that cannot be used
// shows as the failure to make the file there.
std::filesystem::path TemporaryDirectory()
{
    const char* dir = std::getenv("TMPDIR");
    return dir != nullptr && *dir != '\0' ? dir : "/tmp";
}

}  // namespace

ListInput::ListInput(const std::string& listFile, const std::vector<std::string>& urls)
{
    if (!urls.empty()) {
        std::string lines;
        for (const std::string& url : urls) {
            name_ += (name_.empty() ? "" : " ") + url;
            lines += url + "\n";
        }
        ok_ = CopyLines(lines);
        return;
    }
    if (listFile != "-" && !IsStream(listFile)) {
        path_ = listFile.empty() ? UserListFile() : std::filesystem::path(listFile);
        name_ = path_.string();
        return;
    }
    name_ = listFile;
    const bool fromStdin = listFile == "-";
    const UniqueFd opened(fromStdin ? -1 : open(listFile.c_str(), O_RDONLY | O_CLOEXEC));
    const int in = fromStdin ? STDIN_FILENO : opened.get();
    ok_ = in >= 0 && CopyStream(in);
    if (!ok_)
        path_ = listFile;
}

ListInput::ListInput(const std::vector<std::u16string>& pages, std::string name) : name_(std::move(name))
{
    std::string lines;
    for (const std::u16string& page : pages)
        lines += Utf16ToUtf8(page) + "\n";
    ok_ = CopyLines(lines);
}

bool ListInput::CopyLines(const std::string& lines)
{
    return StartCopy() && ((copy_->Write(lines) && copy_->Close()) || CopyFailed());
}

bool ListInput::StartCopy()
{
    copy_.emplace(TemporaryDirectory(), "pardovane-list-");
    path_ = copy_->path();
    return copy_->ok() || CopyFailed();
}

bool ListInput::CopyFailed()
{
    copyError_ = "cannot make a temporary copy of the list in " + TemporaryDirectory().string() + ": "
        + std::strerror(copy_->error());
    return false;
}

bool ListInput::CopyStream(int fd)
{
    if (!StartCopy())
        return false;
    // The same cap as a list file, so a stream cannot fill the disk.
    std::uint64_t total = 0;
    char buffer[65536];
    for (;;) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            return copy_->Close() || CopyFailed();
        total += static_cast<std::uint64_t>(got);
        if (total > ListFile::kMaxBytes)
            return false;
        if (!copy_->Write({buffer, static_cast<std::size_t>(got)}))
            return CopyFailed();
    }
}

}  // namespace pardovane
