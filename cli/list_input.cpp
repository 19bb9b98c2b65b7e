#include "cli/list_input.h"

#include "engine/check_engine.h"
#include "engine/list_file.h"
#include "cli/unique_fd.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
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

}  // namespace

ListInput::ListInput(const std::string& listFile, const std::vector<std::string>& urls)
{
    if (!urls.empty()) {
        std::string lines;
        for (const std::string& url : urls) {
            name_ += (name_.empty() ? "" : " ") + url;
            lines += url + "\n";
        }
        copy_.emplace(std::filesystem::temp_directory_path(), "pardovane-list-");
        ok_ = copy_->ok() && copy_->Write(lines) && copy_->Close();
        path_ = copy_->path();
        return;
    }
    if (listFile != "-" && !IsStream(listFile)) {
        path_ = listFile.empty() ? DefaultListFilePath() : std::filesystem::path(listFile);
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

bool ListInput::CopyStream(int fd)
{
    copy_.emplace(std::filesystem::temp_directory_path(), "pardovane-list-");
    if (!copy_->ok())
        return false;
    path_ = copy_->path();
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
            return copy_->Close();
        total += static_cast<std::uint64_t>(got);
        if (total > ListFile::kMaxBytes || !copy_->Write({buffer, static_cast<std::size_t>(got)}))
            return false;
    }
}

}  // namespace pardovane
