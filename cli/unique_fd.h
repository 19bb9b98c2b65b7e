#pragma once

#include <unistd.h>

#include <utility>

namespace pardovane {

// Owns one open file descriptor and closes it when it goes. Empty (-1) when
// made so, after a move away, and after release().
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) { }
    ~UniqueFd()
    {
        if (fd_ >= 0)
            close(fd_);
    }
    UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) { }
    UniqueFd& operator=(UniqueFd&& other) noexcept
    {
        UniqueFd gone(std::exchange(fd_, std::exchange(other.fd_, -1)));
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return fd_; }
    // Hands the descriptor over, for a close whose result matters.
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_ = -1;
};

}  // namespace pardovane
