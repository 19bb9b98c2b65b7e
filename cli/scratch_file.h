#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace pardovane {

// A new file of our own, made with mkstemp and removed when the object goes
// (or when a signal ends the run, see interrupt_cleanup.h) unless it was renamed into place.
class ScratchFile {
public:
    // Creates stem followed by six random characters in dir; check ok().
    ScratchFile(const std::filesystem::path& dir, const std::string& stem);
    ~ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    bool ok() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    const std::filesystem::path& path() const { return path_; }
    // errno of the last failure, creation included.
    int error() const { return error_; }

    bool Write(std::string_view bytes);
    // Closes the file, reporting what the close says (a full disk may only
    // show here).
    bool Close();
    // Closes it and renames it over target; from then on it is not removed.
    bool RenameTo(const std::filesystem::path& target);

private:
    bool Fail();

    int fd_ = -1;
    std::filesystem::path path_;
    bool keep_ = false;
    int error_ = 0;
};

// Writes every byte to fd, through short writes and interruptions; false
// with errno set when the descriptor refuses.
bool WriteAll(int fd, std::string_view bytes);

}  // namespace pardovane
